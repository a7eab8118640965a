#include <cmath>
#include <unordered_map>

#include "objects3d/objects3d.h"
#include "system/log.h"

void Objects3D::Animate(float time) {
  if (data.animations.empty()) return;
  const Animation& animation = *data.animations[0];
  const float length = animation.Length();
  // A length of 0 (or one that is not a finite number) has nothing to loop over: time 0.
  float t = 0.0f;
  if (length > 0.0f && std::isfinite(length) && std::isfinite(time)) {
    t = std::fmod(time, length);
    if (t < 0.0f) t += length;
  }
  std::unordered_map<uint32_t, AnimationResult> results;
  for (const auto& channel : animation.channels) {
    if (channel->node < 0 || static_cast<size_t>(channel->node) >= data.nodes.size()) {
      ExitMsg(__FILE__, __LINE__, "Assert failed");
    }
    const auto node_index = static_cast<uint32_t>(channel->node);
    auto [entry, added] = results.try_emplace(node_index);
    if (added) {
      const Node& node = *data.nodes[node_index];
      entry->second.translation = node.rest_translation;
      entry->second.rotation = node.rest_rotation;
      entry->second.scale = node.rest_scale;
    }
    ::Animate(*channel, t, entry->second);
  }
  for (auto& [node_index, result] : results) {
    Node& node = *data.nodes[node_index];
    result.ComposeMatrix();
    node.SetMatrix(result.matrix);
    if (result.weights_animated) node.weights = std::move(result.weights);
  }
}
