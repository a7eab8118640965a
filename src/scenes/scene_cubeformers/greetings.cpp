#include "scenes/scene_cubeformers/greetings.h"

const std::vector<std::string>& CubeFormersGreetings() {
  static const std::vector<std::string> names = {
      "Ashfall",   "Brinework", "Coldsmith", "Dunecraft", "Emberline", "Fjordlight",
      "Glasshand", "Hollowtone", "Ironleaf",  "Juniper 64", "Kilnworks", "Lumen-9",
      "Moorfield", "Nightloom",  "Oxbow",     "Pinecrest",
  };
  return names;
}
