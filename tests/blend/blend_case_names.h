// Case names for tables over blend indexes.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "render/blend/blend_modes.h"

namespace plumavo {

// The mode's name without spaces ("SoftLight"), or "Unnamed27" and
// "UnnamedMinus1" for indexes that name no mode.
inline std::string BlendIndexName(const testing::TestParamInfo<int>& info) {
  const auto& names = BlendModeNames();
  const int index = info.param;
  if (index >= 0 && size_t(index) < names.size()) {
    std::string name;
    for (char c : names[size_t(index)])
      if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
  }
  return index < 0 ? "UnnamedMinus" + std::to_string(-index) : "Unnamed" + std::to_string(index);
}

}  // namespace plumavo
