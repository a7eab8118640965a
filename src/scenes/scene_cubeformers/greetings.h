#pragma once
// The greeted names CubeFormers spells in cubes, in display order. They use only what the cube
// font draws: letters, digits, '-' and spaces.

#include <string>
#include <vector>

const std::vector<std::string>& CubeFormersGreetings();
