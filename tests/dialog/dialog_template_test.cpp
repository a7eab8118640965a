// The dialog's control table for the built configuration and for the further modes.

#include <gtest/gtest.h>

#include <vector>

#include "system/dialog_template.h"

namespace {

std::vector<int> Ids(const DialogTemplate& dialog) {
  std::vector<int> ids;
  for (const DialogItem& item : dialog.items) ids.push_back(item.id);
  return ids;
}

TEST(DialogTemplate, BuiltDialogHasTheControlsInTabOrderWithRunAsDefault) {
  const DialogTemplate dialog = BuildStartupDialogTemplate("Cindercoil", DialogOptions{});
  EXPECT_EQ(dialog.title, "Cindercoil");
  EXPECT_EQ(dialog.width, 135);
  EXPECT_EQ(dialog.height, 75);
  EXPECT_EQ(Ids(dialog), (std::vector<int>{0, 100, 0, 102, 0, 104, 1, 106, 101, 2, 105, 103}));
  std::vector<std::string> texts;
  for (const DialogItem& item : dialog.items) texts.push_back(item.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"Choose resolution", "", "Anti-aliasing", "", "Aspect ratio", "",
                                             "&Run", "Get &avi", "&Fullscreen", "&Quit", "Get &mp3",
                                             "&Vsync enable"}));
  EXPECT_EQ(dialog.Find(DialogId::Run)->kind, DialogControlKind::DefaultPushButton);
  EXPECT_EQ(dialog.Find(DialogId::Quit)->kind, DialogControlKind::PushButton);
  EXPECT_EQ(dialog.Find(DialogId::Fullscreen)->kind, DialogControlKind::CheckBox);
  EXPECT_EQ(dialog.Find(DialogId::AspectRatio)->kind, DialogControlKind::DropDownList);
  EXPECT_TRUE(dialog.Find(DialogId::GetAvi)->disabled);
  EXPECT_EQ(dialog.Find(DialogId::SyncClient), nullptr);
  EXPECT_EQ(dialog.Find(DialogId::SyncHost), nullptr);
}

TEST(DialogTemplate, FurtherModesAddSyncControlsAndEnableGetAvi) {
  const DialogTemplate sync = BuildStartupDialogTemplate("t", DialogOptions{true, false});
  ASSERT_NE(sync.Find(DialogId::SyncClient), nullptr);
  EXPECT_EQ(sync.Find(DialogId::SyncClient)->kind, DialogControlKind::CheckBox);
  ASSERT_NE(sync.Find(DialogId::SyncHost), nullptr);
  EXPECT_EQ(sync.Find(DialogId::SyncHost)->kind, DialogControlKind::EditField);
  EXPECT_TRUE(sync.Find(DialogId::GetAvi)->disabled);
  // The new row lies below the others, inside the dialog.
  EXPECT_GT(sync.Find(DialogId::SyncHost)->y, sync.Find(DialogId::Vsync)->y + 10);
  EXPECT_LE(sync.Find(DialogId::SyncHost)->y + sync.Find(DialogId::SyncHost)->height, sync.height);

  const DialogTemplate avi = BuildStartupDialogTemplate("t", DialogOptions{false, true});
  EXPECT_FALSE(avi.Find(DialogId::GetAvi)->disabled);
  EXPECT_EQ(avi.Find(DialogId::SyncClient), nullptr);
}

TEST(DialogTemplate, MnemonicMarkersBecomeUnderscores) {
  EXPECT_EQ(ToMnemonicLabel("&Run"), "_Run");
  EXPECT_EQ(ToMnemonicLabel("Get &avi"), "Get _avi");
  EXPECT_EQ(ToMnemonicLabel("R&&D"), "R&D");
  EXPECT_EQ(ToMnemonicLabel("snake_case"), "snake__case");
  EXPECT_EQ(ToMnemonicLabel("Anti-aliasing"), "Anti-aliasing");
}

TEST(DialogTemplate, GridFollowsTheTemplatesEdges) {
  const DialogTemplate dialog = BuildStartupDialogTemplate("t", DialogOptions{});
  auto cell = [&](size_t index) { return PlaceOnGrid(dialog, dialog.items[index]); };
  // "Choose resolution" reaches over the column of the middle buttons.
  EXPECT_EQ(cell(0).column, 0);
  EXPECT_EQ(cell(0).column_span, 2);
  EXPECT_EQ(cell(1).column, 2);   // its list
  EXPECT_EQ(cell(1).column_span, 1);
  EXPECT_EQ(cell(5).row, 2);      // aspect list
  EXPECT_EQ(cell(6).row, 3);      // "&Run"
  EXPECT_EQ(cell(7).column, 1);   // "Get &avi"
  EXPECT_EQ(cell(10).row, 4);     // "Get &mp3"
  EXPECT_EQ(cell(10).column, 1);
  EXPECT_EQ(cell(11).column, 2);  // "&Vsync enable"
}

}  // namespace
