#include "system/dialog_gtk.h"

#include <csignal>
#include <exception>
#include <map>
#include <optional>
#include <vector>

#include <glib-unix.h>
#include <gtk/gtk.h>

namespace {

// Dialog units to pixels for the minimum widths of controls (about a quarter of an average
// character per unit).
constexpr int kPixelsPerDialogUnit = 2;
constexpr int kSyncHostMaxCharacters = 254;  // the settings' host buffer minus its terminator
constexpr char kIdKey[] = "dialog-id";
constexpr int kDisplayAttempts = 3;
constexpr gulong kDisplayRetryMicroseconds = 200000;

struct DialogRun {
  StartupDialogProcedure* procedure = nullptr;
  GtkWidget* window = nullptr;
  int default_id = DialogId::Run;
  GtkWidget* first_focus = nullptr;  // the first control in tab order
  std::optional<int> result;
  // An exception from a control's action ends the dialog and is rethrown once the toolkit's
  // C code is no longer on the stack (unwinding through it would be undefined).
  std::exception_ptr failure;
  bool filling = false;  // setting the shown state raises no notifications
};

int IdOf(GtkWidget* widget) { return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), kIdKey)); }

void Notify(DialogRun& run, int id, DialogNotification notification) {
  if (run.filling || run.result || run.failure) return;
  try {
    if (std::optional<int> result = run.procedure->Command(id, notification)) {
      run.result = result;
      gtk_main_quit();
    }
  } catch (...) {
    run.failure = std::current_exception();
    gtk_main_quit();
  }
}

void OnComboChanged(GtkComboBox* combo, gpointer data) {
  auto& run = *static_cast<DialogRun*>(data);
  run.procedure->Select(IdOf(GTK_WIDGET(combo)), gtk_combo_box_get_active(combo));
  Notify(run, IdOf(GTK_WIDGET(combo)), DialogNotification::SelectionDone);
}

void OnToggled(GtkToggleButton* box, gpointer data) {
  auto& run = *static_cast<DialogRun*>(data);
  run.procedure->SetChecked(IdOf(GTK_WIDGET(box)), gtk_toggle_button_get_active(box));
  Notify(run, IdOf(GTK_WIDGET(box)), DialogNotification::Clicked);
}

void OnClicked(GtkButton* button, gpointer data) {
  Notify(*static_cast<DialogRun*>(data), IdOf(GTK_WIDGET(button)), DialogNotification::Clicked);
}

void OnEntryChanged(GtkEditable* entry, gpointer data) {
  auto& run = *static_cast<DialogRun*>(data);
  run.procedure->SetText(IdOf(GTK_WIDGET(entry)), gtk_entry_get_text(GTK_ENTRY(entry)));
  Notify(run, IdOf(GTK_WIDGET(entry)), DialogNotification::TextChanged);
}

// The close box quits, as "&Quit" does.
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  Notify(*static_cast<DialogRun*>(data), DialogId::Quit, DialogNotification::Clicked);
  return TRUE;
}

bool IsPushButton(GtkWidget* widget) {
  return widget && GTK_IS_BUTTON(widget) && !GTK_IS_TOGGLE_BUTTON(widget);
}

// Escape quits. Enter presses the focused push button, or else the default button, whatever
// control has the focus (a focused list would otherwise open its popup).
gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer data) {
  auto& run = *static_cast<DialogRun*>(data);
  switch (event->keyval) {
    case GDK_KEY_Escape:
      Notify(run, DialogId::Quit, DialogNotification::Clicked);
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      if (IsPushButton(gtk_window_get_focus(GTK_WINDOW(window)))) return FALSE;
      Notify(run, run.default_id, DialogNotification::Clicked);
      return TRUE;
    default:
      return FALSE;
  }
}

GtkWidget* MakeDropDownList(const DialogControlState& state, DialogRun& run) {
  GtkWidget* combo = gtk_combo_box_text_new();
  for (const std::string& entry : state.entries)
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), entry.c_str());
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), state.selected);
  g_signal_connect(combo, "changed", G_CALLBACK(OnComboChanged), &run);
  return combo;
}

GtkWidget* MakeCheckBox(const DialogItem& item, const DialogControlState& state, DialogRun& run) {
  GtkWidget* box = gtk_check_button_new_with_mnemonic(ToMnemonicLabel(item.text).c_str());
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), state.checked);
  g_signal_connect(box, "toggled", G_CALLBACK(OnToggled), &run);
  return box;
}

GtkWidget* MakePushButton(const DialogItem& item, DialogRun& run) {
  GtkWidget* button = gtk_button_new_with_mnemonic(ToMnemonicLabel(item.text).c_str());
  gtk_widget_set_can_default(button, TRUE);
  g_signal_connect(button, "clicked", G_CALLBACK(OnClicked), &run);
  return button;
}

GtkWidget* MakeEditField(const DialogControlState& state, DialogRun& run) {
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_max_length(GTK_ENTRY(entry), kSyncHostMaxCharacters);
  gtk_entry_set_text(GTK_ENTRY(entry), state.text.c_str());
  g_signal_connect(entry, "changed", G_CALLBACK(OnEntryChanged), &run);
  return entry;
}

GtkWidget* MakeControl(const DialogItem& item, DialogRun& run) {
  const DialogControlState& state = run.procedure->Control(item.id);
  switch (item.kind) {
    case DialogControlKind::Label: {
      GtkWidget* label = gtk_label_new_with_mnemonic(ToMnemonicLabel(item.text).c_str());
      gtk_widget_set_halign(label, GTK_ALIGN_START);
      return label;
    }
    case DialogControlKind::DropDownList:
      return MakeDropDownList(state, run);
    case DialogControlKind::CheckBox:
      return MakeCheckBox(item, state, run);
    case DialogControlKind::DefaultPushButton:
    case DialogControlKind::PushButton:
      return MakePushButton(item, run);
    case DialogControlKind::EditField:
      return MakeEditField(state, run);
  }
  return nullptr;
}

// Lays the controls out on the template's grid; returns them in template (tab) order.
std::vector<GtkWidget*> AddControls(const DialogTemplate& dialog, GtkGrid* grid, DialogRun& run) {
  std::vector<GtkWidget*> tab_order;
  run.filling = true;
  for (const DialogItem& item : dialog.items) {
    GtkWidget* widget = MakeControl(item, run);
    g_object_set_data(G_OBJECT(widget), kIdKey, GINT_TO_POINTER(item.id));
    if (item.kind != DialogControlKind::Label)
      gtk_widget_set_size_request(widget, item.width * kPixelsPerDialogUnit, -1);
    gtk_widget_set_sensitive(widget, !item.disabled);
    const DialogGridCell cell = PlaceOnGrid(dialog, item);
    gtk_grid_attach(grid, widget, cell.column, cell.row, cell.column_span, 1);
    if (item.kind != DialogControlKind::Label) tab_order.push_back(widget);
    if (item.kind == DialogControlKind::DefaultPushButton) run.default_id = item.id;
  }
  run.filling = false;
  return tab_order;
}

GtkWidget* MakeDialogWindow(const DialogTemplate& dialog, DialogRun& run) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), dialog.title.c_str());
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_modal(GTK_WINDOW(window), TRUE);
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
  gtk_container_set_border_width(GTK_CONTAINER(window), 8);
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 6);
  gtk_container_add(GTK_CONTAINER(window), grid);
  std::vector<GtkWidget*> tab_order = AddControls(dialog, GTK_GRID(grid), run);
  GList* chain = nullptr;
  for (auto it = tab_order.rbegin(); it != tab_order.rend(); ++it) chain = g_list_prepend(chain, *it);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_container_set_focus_chain(GTK_CONTAINER(grid), chain);  // template order, not geometry
  G_GNUC_END_IGNORE_DEPRECATIONS
  g_list_free(chain);
  for (GtkWidget* widget : tab_order) {
    if (IdOf(widget) == run.default_id) gtk_window_set_default(GTK_WINDOW(window), widget);
  }
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), &run);
  g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), &run);
  if (!tab_order.empty()) run.first_focus = tab_order.front();
  return window;
}

// While the dialog is up, SIGINT and SIGTERM end it as "&Quit" does. The handlers in place
// before (the window layer's, which turn the signals into a quit request that only the main
// loop reads) come back once the dialog is gone, so a signal after it still ends the run
// cleanly. GLib leaves a signal at its default action when its last watch goes, hence the
// saved actions, and a signal that came between the two would end the process: the signals
// wait, blocked, until the old actions are back. (The program's only other thread at the
// dialog is GLib's worker, which blocks every signal.)
class QuitSignalWatch {
 public:
  explicit QuitSignalWatch(DialogRun& run) {
    for (Watch& watch : watches_) {
      sigaction(watch.signal, nullptr, &watch.before);
      watch.source = g_unix_signal_add(watch.signal, OnQuitSignal, &run);
    }
  }
  ~QuitSignalWatch() {
    sigset_t watched, mask;
    sigemptyset(&watched);
    for (const Watch& watch : watches_) sigaddset(&watched, watch.signal);
    pthread_sigmask(SIG_BLOCK, &watched, &mask);
    for (Watch& watch : watches_) {
      g_source_remove(watch.source);
      sigaction(watch.signal, &watch.before, nullptr);
    }
    pthread_sigmask(SIG_SETMASK, &mask, nullptr);
  }
  QuitSignalWatch(const QuitSignalWatch&) = delete;
  QuitSignalWatch& operator=(const QuitSignalWatch&) = delete;

 private:
  struct Watch {
    int signal;
    struct sigaction before {};
    guint source = 0;
  };

  static gboolean OnQuitSignal(gpointer data) {
    Notify(*static_cast<DialogRun*>(data), DialogId::Quit, DialogNotification::Clicked);
    return G_SOURCE_CONTINUE;
  }

  Watch watches_[2] = {{SIGINT}, {SIGTERM}};
};

void DrainEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace

bool InitDialogToolkit() {
  static bool initialised = false;
  if (initialised) return true;
  gtk_disable_setlocale();
  // A display that is still starting up (a virtual one started with the program) can turn the
  // first connection away; a few tries tell that apart from a display that is not there.
  for (int attempt = 0; attempt < kDisplayAttempts && !initialised; ++attempt) {
    if (attempt > 0) g_usleep(kDisplayRetryMicroseconds);
    initialised = gtk_init_check(nullptr, nullptr);
  }
  return initialised;
}

int RunDialogWindow(const DialogTemplate& dialog, StartupDialogProcedure& procedure) {
  DialogRun run;
  run.procedure = &procedure;
  run.window = MakeDialogWindow(dialog, run);
  {
    const QuitSignalWatch quit_signals(run);
    gtk_widget_show_all(run.window);
    if (run.first_focus) gtk_widget_grab_focus(run.first_focus);
    gtk_main();
  }
  gtk_widget_destroy(run.window);
  DrainEvents();
  gdk_display_sync(gdk_display_get_default());
  DrainEvents();
  if (run.failure) std::rethrow_exception(run.failure);
  return run.result.value_or(DialogId::Quit);
}
