#pragma once
// Back faces left out primitive by primitive where no pass can see one. A primitive qualifies
// when its triangles close up into a solid wound outwards (every edge, with its positions
// welded, is walked once each way and the enclosed volume is positive), it is opaque, and the
// eye of the pass lies clearly outside every copy drawn: outside the copy's bounding sphere by
// more than the reach of the near plane, which could otherwise cut a front face open onto the
// back faces behind it. A back face of such a copy always lies behind a front face of its own,
// so it can only lose the depth test; culling it before rasterisation keeps the picture but for
// faces seen exactly edge-on (a sliver may take a sample or not).
// What a primitive is (closed or not, its sphere) is worked out again only when its positions or
// its index list change: an upload of its other streams (colours, say) keeps it.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <glm/glm.hpp>

class Primitive;

// Whether the GL state set for the next draws lets the depth test alone decide between a back
// face of a closed solid and the front face of the same solid in front of it, so that leaving
// the back faces out keeps the picture: the depth test is on and the draw framebuffer has a
// depth buffer; at GL_EQUAL a back face meets only the nearer depth laid down before and fails,
// and at GL_LESS or GL_LEQUAL it is either drawn first and then overwritten by the front face
// (depth writes on, its colour covered: blending off, an opaque colour laid over the rest, or
// no colour written) or fails. A back face that fails must leave the stencil as it was. Read
// once per pass, not per primitive.
bool DepthTestHidesBackFaces();

// How far from the eye the near plane of a perspective projection reaches (its farthest
// corner); negative for a projection that is not a perspective one.
float NearPlaneReach(const glm::mat4& projection);

class ClosedSolidCulling {
 public:
  // Whether the draw of `primitive` at each of `model_views` may leave its back faces out.
  // The model-view matrices carry the pass's root, which puts the eye at the origin; `root`
  // is that root, whose handedness the copies must keep; `near_reach` is NearPlaneReach of the
  // pass's projection.
  bool MayCullBackFaces(const Primitive& primitive, const std::vector<glm::mat4>& model_views,
                        const glm::mat4& root, float near_reach);

  // How many times a primitive's shape was worked out (welded and walked edge by edge).
  uint64_t shapes_worked_out() const { return shapes_worked_out_; }

 private:
  struct Shape {
    uint64_t upload_stamp = 0;
    uint64_t geometry = 0;  // a hash of the positions and indices it was worked out from
    bool closed = false;
    glm::vec3 centre{0.0f};
    float radius = 0.0f;
  };
  const Shape& ShapeOf(const Primitive& primitive);

  std::unordered_map<const Primitive*, Shape> shapes_;
  uint64_t shapes_worked_out_ = 0;
};
