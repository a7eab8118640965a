#include "scenes/scene_gltf/modellist.h"

const std::vector<ViewerModel>& ViewerModels() {
  static const std::vector<ViewerModel> models = {
      {"data/models/vorantil/beveled_cube/beveled_cube.glb"},
      {"data/models/samples/Box/Box.glb"},
      {"data/models/samples/BoxAnimated/BoxAnimated.glb"},
      {"data/models/samples/AnimatedCube/AnimatedCube.gltf"},
      {"data/models/samples/AnimatedMorphCube/AnimatedMorphCube.glb"},
      {"data/models/generated/torusknot/torusknot.glb"},
      {"data/models/generated/vase/vase.glb"},
      {"data/models/samples/InterpolationTest/InterpolationTest.glb"},
      {"data/models/samples/MorphPrimitivesTest/MorphPrimitivesTest.glb"},
      {"data/models/samples/TextureSettingsTest/TextureSettingsTest.glb"},
      {"data/models/samples/VertexColorTest/VertexColorTest.glb"},
      {"data/models/generated/stairs/stairs.glb"},
      {"data/models/vorantil/sphere/sphere.glb", true},
      {"data/models/samples/BoxInterleaved/BoxInterleaved.glb"},
      {"data/models/generated/crystals/crystals.glb"},
      {"data/models/generated/arches/arches.glb"},
      {"data/models/generated/pillars/pillars.glb"},
      {"data/models/vorantil/cube_flat/cube_flat.glb", true},
  };
  return models;
}
