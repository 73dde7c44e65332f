// The first half of the fast frame step: the primary octant of the disc
// sampled from the source picture at one angle into the quarter disc's rows
// (QuarterDiscBuffer), each sample also written to its place across the
// diagonal, so that the quarter disc holds every sample of the frame. The
// same samples, to the bit, whichever units do it; frame_step.cpp fills the
// display square from them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/nuvra_s.h"
#include "images/pixel_array.h"

namespace nuvra {

// The units the fast step's sampling may use: one sample at a time (any
// compiler), the baseline vector units (SSE2 on x86-64), AVX2 or AVX-512
// (F, BW and VL), the best available chosen at run time; all give the same
// bytes. Each offers the ones before it: a processor with AVX-512 also
// runs the AVX2 variant.
enum class FrameStepUnits { Scalar, Baseline, Avx2, Avx512 };

FrameStepUnits BestFrameStepUnits();
bool FrameStepUnitsAvailable(FrameStepUnits units);

// The room the sampling needs in QuarterDiscBuffer::source_offset.
inline constexpr std::size_t kOctantOffsetRoom = 68;

// Samples the octant at the angle whose cosine and sine are given, with
// the units named, which must be available, into a buffer laid out for a
// disc of radius half. The source must cover the disc's square.
void SampleOctant(FrameStepUnits units, QuarterDiscBuffer& buffer, const PixelArray& source, float cos_a,
                  float sin_a, std::int32_t half);

}  // namespace nuvra
