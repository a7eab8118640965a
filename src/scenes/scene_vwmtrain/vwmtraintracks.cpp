#include "scenes/scene_vwmtrain/vwmtraintracks.h"

#include <array>

namespace VWMTrainTracks {

namespace {

constexpr VWMTrainTrack kFftBars[] = {
    {"fftrEnable", 0},      {"fftrMultiplier", 4},    {"fftrCeiling", 8},
    {"fftrScale", 0.01f},   {"fftrBands", 16},        {"fftrRows", 64},
    {"fftrSpacing", 2.05f}, {"fftrVoxelize", 1},      {"fftrFallOff", 2},
    {"fftrSensitivity", 50}, {"fftrBoxScale", 0.1f},  {"fftrBoxEmission", 0.4f},
    {"fftrZoffset", 80},    {"fftrMoving", 1},        {"fftrBaseLight", 0},
    {"fftrLowHue", 225},    {"fftrLowSat", 100},      {"fftrLowLight", 16},
    {"fftrHighHue", 180},   {"fftrHighSat", 36},      {"fftrHighLight", 100},
    {"fftrColorRange", 7},  {"fftrMetallic", 0.1f},   {"fftrRoughness", 0.5f},
};

constexpr VWMTrainTrack kClowns[] = {
    {"clownEnabled", 1}, {"clownScale", 1}, {"clownX", 3.9f},   {"clownY", 0},
    {"clownZ", 0},       {"clownNumX", 1},  {"clownNumZ", 1},   {"clownStep", 5},
    {"clownRotate", -90},
};

constexpr VWMTrainTrack kCrt[] = {
    {"crtmEnabled", 1}, {"crtmScale", 1},   {"crtmX", 0},       {"crtmY", 0},
    {"crtmZ", 0},       {"crtmRotate", 0},  {"crtmRotateY", 0}, {"crtmRotateZ", 0},
    {"crtmSinProg", 0}, {"crtmSinHeight", 1}, {"crtsEnable", 1},
};

constexpr VWMTrainTrack kKeyboard[] = {
    {"keybEnable", 0}, {"keybX", 0}, {"keybY", 0}, {"keybZ", 0}, {"keybScale", 1},
};

constexpr VWMTrainTrack kTrain[] = {
    {"trainEnabled", 1}, {"trainScale", 0.2f}, {"trainX", 3.9f},
    {"trainY", 3.9f},    {"trainZ", 0},        {"trainRotate", -90},
};

constexpr VWMTrainTrack kRecycling[] = {
    {"recyEnable", 1}, {"recyX", 0}, {"recyZ", 0}, {"recyInstances", 1}, {"recyDist", 5},
};

constexpr VWMTrainTrack kFire[] = {
    {"fireEnable", 1},      {"fireDecay", 0.1f},  {"fireDecayTarget", 0.25f},
    {"fireDecaySpeed", 0.2f}, {"fireScale", 1.5f}, {"fireSpacing", 2.1f},
    {"fireSpread", 1},      {"fireSpreadXMul", 2}, {"fireBurn", 1},
    {"fireLean", -2},       {"fireX", 0},         {"fireY", 0},
    {"fireZ", 0},           {"asciiFullScreen", 0}, {"asciiScene", 0},
};

constexpr VWMTrainTrack kRastafield[] = {
    {"rastaEnable", 1},   {"rastaNumStars", 256}, {"rastaX", 0},
    {"rastaY", 0},        {"rastaZ", 0},          {"rastaXRange", 250},
    {"rastaYRange", 20},  {"rastaZRange", 150},   {"rastaScale", 20},
    {"rastaMoveSpeed", 1}, {"rastaRotSpeed", 1},  {"billEnable", 1},
    {"billX", 0},         {"billY", 0},           {"billZ", 0},
};

constexpr VWMTrainTrack kText[] = {
    {"textX", 0},         {"textY", 0},          {"textDistY", 0.1f},
    {"textScaleX", 1},    {"textSize", 20},      {"textStart", 0},
    {"textProg", 0},      {"textLaserOn", 0},    {"textLaserAlpha", 1},
    {"textLaserStepSize", 1}, {"textLaserIterations", 100},
};

constexpr VWMTrainTrack kScene[] = {
    {"lightX", 3},          {"lightY", 1.5f},       {"lightZ", 1},
    {"lightRange", 50},     {"lightIntensity", 150}, {"lightHue", 0.5f},
    {"lightSat", 1},        {"lightLight", 1},      {"rndrExposure", 1},
    {"rndrGlow", 1},        {"shadowClip", 1},      {"shadowEnabled", 1},
    {"lboxScale", 3},       {"lboxDist", 4},        {"lboxRot", 45},
    {"focusEnable", 0},     {"focusPoint", 5},      {"focusRange", 50},
    {"focusFalloff", 15},
};

}  // namespace

std::span<const VWMTrainTrack> FftBars() { return kFftBars; }
std::span<const VWMTrainTrack> Clowns() { return kClowns; }
std::span<const VWMTrainTrack> Crt() { return kCrt; }
std::span<const VWMTrainTrack> Keyboard() { return kKeyboard; }
std::span<const VWMTrainTrack> Train() { return kTrain; }
std::span<const VWMTrainTrack> Recycling() { return kRecycling; }
std::span<const VWMTrainTrack> Fire() { return kFire; }
std::span<const VWMTrainTrack> Rastafield() { return kRastafield; }
std::span<const VWMTrainTrack> Text() { return kText; }
std::span<const VWMTrainTrack> Scene() { return kScene; }

std::vector<VWMTrainTrack> All() {
  std::vector<VWMTrainTrack> all;
  for (auto group : {FftBars(), Clowns(), Crt(), Keyboard(), Train(), Recycling(), Fire(),
                     Rastafield(), Text(), Scene()})
    all.insert(all.end(), group.begin(), group.end());
  return all;
}

}  // namespace VWMTrainTracks
