// Stand-in until the music description reader lands: a production whose music is a ".xml"
// description cannot play in this build, and says so instead of running without its song.

#include "system/log.h"
#include "util/music/music.h"

void Music::LoadXml(const std::string& file) {
  if (dummy) ExitMsg(__FILE__, __LINE__, "Assert failed");
  ExitMsgFmt(__FILE__, __LINE__, "Music description files are not supported yet: {}", file);
}
