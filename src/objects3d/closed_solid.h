#pragma once
// Whether a primitive's triangles close up into a solid: worked out from its positions and
// indices alone, without GL, so that any file's primitives can be put through it.

class Primitive;

// Whether the triangles of `primitive` (triangle lists only) close up into a solid wound
// outwards, counter-clockwise seen from outside: every edge, with its positions welded, is
// walked once each way and the enclosed volume is positive. A primitive with a position that
// is not a finite number never does.
bool IsClosedSolid(const Primitive& primitive);
