// Which scene class sits in which slot of which production: the "ActiveScene" tracks select
// scenes by these numbers, so a swapped pair would show the wrong scene at every cut.

#include <gtest/gtest.h>

#include <typeindex>
#include <typeinfo>
#include <vector>

#include "scenes/productionscenes.h"
#include "scenes/scene_cubeformers/scene_cubeformers.h"
#include "scenes/scene_gltf/scene_gltf.h"
#include "scenes/scene_hypnotunnel/hypnotunnel.h"
#include "scenes/scene_imagedisplay/imagedisplay.h"
#include "scenes/scene_morveltext/morveltext.h"
#include "scenes/scene_twballs/twballs.h"
#include "scenes/scene_twboxes/twboxes.h"
#include "scenes/scene_twglowshapes/twglowshapes.h"
#include "scenes/scene_vwmtrain/vwmtrain.h"
#include "scenes/scene_wm20text/wm20text.h"
#include "support/gl_fixture.h"

namespace {

struct ProductionRow {
  uint32_t production;
  std::vector<std::type_index> slots;
};

const ProductionRow kRows[] = {
    {0, {typeid(GLTF)}},
    {3, {typeid(TwGlowShapes), typeid(TwBoxes), typeid(MorvelText)}},
    {4, {typeid(TwGlowShapes), typeid(TwBoxes), typeid(MorvelText), typeid(HypnoTunnel),
         typeid(TwBalls)}},
    {5, {typeid(CubeFormers)}},
    {6, {typeid(VWMTrain), typeid(ImageDisplay), typeid(WM20Text)}},
};

class ProductionScenesTest : public GLTest {};

TEST_F(ProductionScenesTest, EverySlotHoldsItsSceneClass) {
  const ProductionSceneTable& table = ProductionScenes();
  EXPECT_EQ(table.size(), std::size(kRows));
  for (const ProductionRow& row : kRows) {
    SCOPED_TRACE("production " + std::to_string(row.production));
    ASSERT_EQ(table.count(row.production), 1u);
    const auto& entries = table.at(row.production);
    ASSERT_EQ(entries.size(), row.slots.size());
    for (size_t slot = 0; slot < entries.size(); ++slot) {
      const auto scene = entries[slot].make();
      ASSERT_TRUE(scene);
      const Scene& made = *scene;
      EXPECT_EQ(std::type_index(typeid(made)), row.slots[slot])
          << "slot " << slot << " (" << entries[slot].name << ") makes " << typeid(made).name();
    }
  }
}

}  // namespace
