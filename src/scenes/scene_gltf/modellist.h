#pragma once
// The models the viewer cycles through, in order: our own generated models and freely
// licensed sample models (their licence files lie beside them in the data tree). Entries with
// the grid flag are shown as a 5 x 5 x 5 grid of copies; their first node must hold one mesh
// of one primitive.

#include <string>
#include <vector>

struct ViewerModel {
  std::string path;
  bool grid = false;
};

const std::vector<ViewerModel>& ViewerModels();
