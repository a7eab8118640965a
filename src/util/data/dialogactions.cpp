#include "util/data/dialogactions.h"

#include "tolmesystem.h"
#include "util/data/data.h"

DialogDataActions DataFileDialogActions() {
  return DialogDataActions{[](const std::string& name) {
                             data_mode = system_settings->data_mode;
                             ReadDataFile(name);
                           },
                           [] { ExportMp3(); }};
}
