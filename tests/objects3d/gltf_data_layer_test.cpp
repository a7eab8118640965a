// Files a model refers to come through the data layer: the packed data file serves a ".gltf"'s
// buffers and pictures, and whole ".glb" files, without touching the disk. Loading into an
// Objects3D ends with the upload of the buffers, so these run with a GL context.

#include <gtest/gtest.h>

#include <cmath>

#include "support/gl_fixture.h"
#include "support/messagebox_recorder.h"
#include "util/light/light.h"
#include "gltf_builder.h"
#include "objects3d/gltf_loader.h"
#include "objects3d/objects3d.h"
#include "util/data/data.h"

namespace {

class GltfDataLayer : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ResetDataFileState();
    data_mode = DataMode::Read;
  }
  void TearDown() override {
    ResetDataFileState();
    GLTest::TearDown();
  }
};

void AddEntry(const std::string& name, std::vector<uint8_t> bytes) {
  AddDataFileEntry(DataFileEntry{name, std::move(bytes), false});
}

// A triangle whose buffer is the file "tri.bin" beside the model.
GltfBuilder ExternalBufferTriangle() {
  GltfBuilder file;
  const int mesh = file.AddTriangleMesh();
  file.AddNode({{"mesh", mesh}});
  return file;
}

TEST_F(GltfDataLayer, PackedFileServesGltfBuffers) {
  GltfBuilder file = ExternalBufferTriangle();
  nlohmann::json doc = file.doc;
  doc["buffers"] = {{{"byteLength", file.buffer.size()}, {"uri", "tri.bin"}}};
  const std::string text = doc.dump();
  AddEntry("data/models/tri.gltf", std::vector<uint8_t>(text.begin(), text.end()));
  AddEntry("data/models/tri.bin", file.buffer);
  Objects3D scene;
  scene.Load("data/models/tri.gltf", false);
  ASSERT_EQ(scene.data.primitives.size(), 1u);
  EXPECT_EQ(scene.data.primitives[0]->positions[3], 1.0f);
  EXPECT_TRUE(requested_file_names.count("data/models/tri.bin"));
}

TEST_F(GltfDataLayer, PackedFileServesGlb) {
  AddEntry("data/models/tri.glb", ExternalBufferTriangle().Glb());
  Objects3D scene("data/models/tri.glb");
  EXPECT_EQ(scene.data.nodes.size(), 2u);
}

TEST_F(GltfDataLayer, MissingBufferIsRefusedWithTheFile) {
  GltfBuilder file = ExternalBufferTriangle();
  nlohmann::json doc = file.doc;
  doc["buffers"] = {{{"byteLength", file.buffer.size()}, {"uri", "gone.bin"}}};
  const std::string text = doc.dump();
  Objects3DData data;
  try {
    LoadGltfRecords("data/models/tri.gltf", std::vector<uint8_t>(text.begin(), text.end()), data,
                    false);
    ADD_FAILURE() << "loaded";
  } catch (const GltfError& error) {
    EXPECT_NE(std::string(error.what()).find("Failed to load GLTF: data/models/tri.gltf"),
              std::string::npos);
    EXPECT_NE(std::string(error.what()).find("gone.bin"), std::string::npos) << error.what();
  }
}

TEST_F(GltfDataLayer, LoadRefusesOtherExtensionsAsWritten) {
  Objects3D scene;
  const struct {
    const char* path;
    const char* message;
  } cases[] = {
      {"data/m.GLTF", "Fail during Objects3D::Load: 3D scene of format .GLTF not supported, only "
                      ".gltf/.glb supported right now"},
      {"data/m.obj", "Fail during Objects3D::Load: 3D scene of format .obj not supported, only "
                     ".gltf/.glb supported right now"},
  };
  for (const auto& c : cases) {
    try {
      scene.Load(c.path, false);
      ADD_FAILURE() << c.path;
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

TEST_F(GltfDataLayer, FinishLoadSetsLightPlanesFromTheSceneAndUploads) {
  AddEntry("data/models/tri.glb", ExternalBufferTriangle().Glb());
  Objects3D scene;
  const std::shared_ptr<Light> light = scene.AddLight();
  scene.Load("data/models/tri.glb", false);
  EXPECT_FLOAT_EQ(light->shadow_far, 2 * std::sqrt(2.0f));
  EXPECT_FLOAT_EQ(light->shadow_near, 0.001f * std::sqrt(2.0f));
  EXPECT_EQ(scene.glow_enabled, 0);
  EXPECT_TRUE(scene.data.primitives[0]->buffers);
  EXPECT_FALSE(scene.data.primitives[0]->NeedsUpload());
  // A scene without meshes has an empty box: its light keeps its planes.
  GltfBuilder empty;
  empty.AddNode({{"name", "lonely"}});
  AddEntry("data/models/empty.glb", empty.Glb());
  Objects3D bare;
  const std::shared_ptr<Light> bare_light = bare.AddLight();
  bare.Load("data/models/empty.glb", false);
  EXPECT_FLOAT_EQ(bare_light->shadow_far, 20.0f);
  EXPECT_TRUE(std::isfinite(bare_light->projection[3][2]));
}

}  // namespace

namespace {

using GltfDataLayerDeathTest = GltfDataLayer;

TEST_F(GltfDataLayerDeathTest, LoaderFailuresTakeTheFatalExit) {
  GltfBuilder broken;
  broken.AddNode({{"mesh", 4}});
  AddEntry("data/models/broken.gltf", broken.GltfBytes());
  const struct {
    const char* path;
    const char* message;
  } cases[] = {
      {"data/models/broken.gltf", "data/models/broken.gltf: mesh 4 is out of range"},
      {"data/models/absent.glb", "GLTF_Loader constructor failed \\(data/models/absent.glb\\):"},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          EchoMessageBoxesToStderr();
          Objects3D scene(c.path);
        },
        ::testing::ExitedWithCode(1), c.message)
        << c.path;
  }
}

}  // namespace
