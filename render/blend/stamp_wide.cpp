// The prepared-brush and dot-block kernels once more, compiled for AVX2: the
// same formulas and loops, eight pixels (or two rows of four) a step where a
// mode has a vector form. Chosen at run
// time when the processor has AVX2; the baseline kernels are the reference
// they are tested against.
#define PLUMAVO_KERNEL_SET avx2

#if !defined(__AVX2__)
#error "stamp_wide.cpp is compiled with -mavx2"
#endif

#include <array>
#include <tuple>
#include <utility>

#include "render/blend/stamp_kernels.h"

namespace plumavo::blend {

namespace {

// Only modes with a wide form get a second copy.
template <class Mode>
constexpr TPreparedStamp WideStamp() {
  if constexpr (VectorMode<Mode> || HSLVectorMode<Mode>)
    return &PreparedStamp<PreparedRow<Mode>>;
  else
    return nullptr;
}

template <class Mode>
constexpr TStampBlockProc WideBlock() {
  if constexpr (VectorMode<Mode>)
    return &BlockLoop<CustomRow<Mode>>;
  else
    return nullptr;
}

template <size_t... I>
constexpr std::array<TPreparedStamp, kBlendFunctionCount> MakeWideStamps(std::index_sequence<I...>) {
  return {WideStamp<std::tuple_element_t<I, ModeList>>()...};
}

template <size_t... I>
constexpr std::array<TStampBlockProc, kBlendFunctionCount> MakeWideBlocks(std::index_sequence<I...>) {
  return {WideBlock<std::tuple_element_t<I, ModeList>>()...};
}

constexpr std::array<TPreparedStamp, kBlendFunctionCount> kWideStamps =
    MakeWideStamps(std::make_index_sequence<kBlendFunctionCount>{});
constexpr std::array<TStampBlockProc, kBlendFunctionCount> kWideBlocks =
    MakeWideBlocks(std::make_index_sequence<kBlendFunctionCount>{});

}  // namespace

TPreparedStamp WidePreparedStamp(int index) {
  return index >= 0 && index < kBlendFunctionCount ? kWideStamps[size_t(index)] : nullptr;
}

TStampBlockProc WideBlockProc(int index) {
  return index >= 0 && index < kBlendFunctionCount ? kWideBlocks[size_t(index)] : nullptr;
}

}  // namespace plumavo::blend
