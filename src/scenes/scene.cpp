#include "scenes/scene.h"

#include <GL/glew.h>

#include <initializer_list>

void Scene::Resize(uint32_t new_width, uint32_t new_height) {
  width = new_width;
  height = new_height;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
  glScissor(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

namespace {

void ResetRasterState() {
  glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glLineWidth(1.0f);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  for (GLenum coordinate : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,
                            GL_TEXTURE_GEN_Q}) {
    glDisable(coordinate);
  }
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
}

void ResetCapabilities() {
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_BLEND);
  glEnable(GL_COLOR_MATERIAL);
  glDisable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHT0);
  for (GLenum light = GL_LIGHT1; light <= GL_LIGHT7; ++light) glDisable(light);
  glDisable(GL_LIGHTING);
  glEnable(GL_MULTISAMPLE);
  glEnable(GL_NORMALIZE);
  glDisable(GL_TEXTURE_1D);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_CUBE_MAP);
}

void ResetDepthAndTextures() {
  glClearDepth(1.0);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glDepthFunc(GL_LESS);
  // A scene that drew without depth writes would otherwise leave the next one unable to
  // clear or fill its depth buffer.
  glDepthMask(GL_TRUE);
  glShadeModel(GL_SMOOTH);
  glDisable(GL_FRAMEBUFFER_SRGB);
}

void ResetTextureUnits() {
  glBindTexture(GL_TEXTURE_1D, 0);
  for (GLuint unit = 0; unit < kResetTextureUnits; ++unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
    glBindSampler(unit, 0);
  }
  glActiveTexture(GL_TEXTURE0);
}

// Colour writes, blending equations and the fragment tests a pass may have turned on.
void ResetFragmentState() {
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBlendEquation(GL_FUNC_ADD);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_STENCIL_TEST);
  glStencilMask(~0u);
  glStencilFunc(GL_ALWAYS, 0, ~0u);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
}

// Face selection, polygon offset, clipping and point size.
void ResetGeometryState() {
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  glDisable(GL_POLYGON_OFFSET_FILL);
  glDisable(GL_POLYGON_OFFSET_LINE);
  glDisable(GL_POLYGON_OFFSET_POINT);
  glPolygonOffset(0.0f, 0.0f);
  for (GLenum plane = 0; plane < kResetClipDistances; ++plane) {
    glDisable(GL_CLIP_DISTANCE0 + plane);
  }
  glPointSize(1.0f);
  glDisable(GL_PROGRAM_POINT_SIZE);
}

void ResetBindings() {
  glBindVertexArray(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glUseProgram(0);
}

}  // namespace

void ResetGLState() {
  ResetRasterState();
  ResetCapabilities();
  ResetDepthAndTextures();
  ResetTextureUnits();
  ResetFragmentState();
  ResetGeometryState();
  ResetBindings();
}
