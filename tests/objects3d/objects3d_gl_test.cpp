// The GL steps of Objects3D: textures made from a loaded file's decoded pictures, and the
// shared programs compiling on the test driver.

#include <gtest/gtest.h>

#include <filesystem>

#include "gltf_builder.h"
#include "objects3d/objects3d.h"
#include "objects3d/shared_resources.h"
#include "support/gl_fixture.h"
#include "util/data/data.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace {

class Objects3DGL : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ResetDataFileState();
  }
};

TEST_F(Objects3DGL, LoadedPicturesBecomeTexturesOncePerPicture) {
  const std::string path = "/work/shared/testdata/gltf/AnimatedCube/glTF/AnimatedCube.gltf";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "sample model missing";
  Objects3D scene(path);
  ASSERT_EQ(scene.data.materials.size(), 1u);
  const Material& material = *scene.data.materials[0];
  ASSERT_TRUE(material.base_color_texture);
  ASSERT_TRUE(material.metallic_roughness_texture);
  EXPECT_NE(material.base_color_texture->id, 0u);
  EXPECT_GT(material.base_color_texture->width, 0u);
  EXPECT_TRUE(material.base_color_texture->mipmaps);
  EXPECT_FALSE(material.base_color_image);  // the decoded picture is let go
  EXPECT_EQ(scene.glow_enabled, 0);
  EXPECT_TRUE(NoGLError());
}

TEST_F(Objects3DGL, SharedPictureGivesOneTextureAndEmissiveTurnsGlowOn) {
  // A 1 x 1 RGB PNG used as base colour by one material and as emission by another.
  const std::vector<uint8_t> png = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
      0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x90,
      0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x08, 0xD7, 0x63, 0xF8,
      0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xDD, 0x8D, 0xB0, 0x00, 0x00, 0x00,
      0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  GltfBuilder file;
  file.AddNode({{"mesh", file.AddTriangleMesh(0)}});
  file.doc["images"] = {{{"uri", "data:image/png;base64," + Base64(png)}}};
  file.doc["textures"] = {{{"source", 0}}};
  file.doc["materials"] = {{{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}},
                           {{"emissiveTexture", {{"index", 0}}}}};
  const std::string text = file.Gltf();
  data_mode = DataMode::Read;
  AddDataFileEntry(DataFileEntry{"data/two.gltf", std::vector<uint8_t>(text.begin(), text.end()), false});
  Objects3D scene("data/two.gltf");
  EXPECT_EQ(scene.data.materials[0]->base_color_texture, scene.data.materials[1]->emissive_texture);
  EXPECT_EQ(scene.glow_enabled, 1);
  ResetDataFileState();
  EXPECT_TRUE(NoGLError());
}

TEST_F(Objects3DGL, DepthOfFieldProgramCompiles) {
  ShaderProgram program("data/objects3d/shaders/dof.vert", "data/objects3d/shaders/dof.frag");
  for (const char* uniform : {"ProjectionMatrix", "tex_sharp", "tex_depth", "focus_point",
                              "focus_range", "focus_falloff", "zNear", "zFar"}) {
    EXPECT_NE(program.GetUniformLocation(uniform), -1) << uniform;
  }
  EXPECT_TRUE(NoGLError());
}

TEST_F(Objects3DGL, SharedResourcesAreMadeOnceAndFreedWithTheLastScene) {
  if (!std::filesystem::exists(kBrdfLutFile)) GTEST_SKIP() << "image-based lighting data missing";
  {
    Objects3D scene;
    const Objects3DSharedResources& resources = RequireObjects3DSharedResources();
    EXPECT_TRUE(resources.blur_shader && resources.flat_shader && resources.dof_shader);
    EXPECT_TRUE(resources.brdf_lut && resources.env_diffuse && resources.env_specular);
    EXPECT_EQ(&RequireObjects3DSharedResources().brdf_lut, &resources.brdf_lut);
  }
  EXPECT_FALSE(GetObjects3DSharedResources().blur_shader);
}

}  // namespace
