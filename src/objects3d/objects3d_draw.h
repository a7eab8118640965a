#pragma once
// Single passes of Objects3D::Draw for callers that time or test one of them on its own.

#include "objects3d/objects3d.h"

class Light;

// Renders the light's six shadow faces into the shared cube map, as the shadowed pass does
// before lighting with it (the light is marked shadow-casting and takes hold of the map); faces
// out of the camera's view too. A face whose contents would not change is kept (see the scene's
// shadow_face_cache).
void RenderShadowFaces(Objects3D& scene, const std::shared_ptr<Light>& light);
