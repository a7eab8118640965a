#pragma once
// Numbered model parts ("Knob_012", "Key_07", ...) merged into instances of one master node,
// so that one draw call serves them all, the node switches the scene uses, and a node's
// material made its own.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scenes/scene_vwmtrain/keyboardkeys.h"

class Objects3D;
struct Material;
struct Node;

// prefix + the index zero-padded to at least `width` digits, for first..last (empty when
// first > last).
std::vector<std::string> NumberedNames(const std::string& prefix, int32_t width, int32_t first,
                                       int32_t last);

// Both switches of a node: its own meshes and its subtree.
void ShowNode(Node& node, bool shown);

// The master is prefix + first. Every later index up to last is hidden; those not excluded
// also hand their own matrix to the master as its next instance, in ascending order. The
// master is shown. A missing name is fatal (in the look-up).
void InstanceNumberedNodes(Objects3D& scene, const std::string& prefix, int32_t width,
                           int32_t first, int32_t last, const KeySet& exclude);

// The material of a node (Objects3D::GetMaterial), made the node's own when other primitives
// share it, so that its per-instance colours belong to this node alone. A node without a
// single primitive below it is fatal, with GetMaterial's message.
std::shared_ptr<Material> OwnMaterial(Objects3D& scene, const Node& node);
