// The compiler features the frame step's fast sampling (octant_sampling.cpp)
// and the show's colour-table conversion are built on, named in one place.
//
//   NUVRA_VECTOR_TYPES   GCC and Clang: vector types (vector_size,
//                        __builtin_convertvector, __builtin_shufflevector),
//                        always_inline and __builtin_bswap64. Elsewhere 0,
//                        and the step samples one point at a time.
//   NUVRA_AVX2_DISPATCH  GCC and Clang on x86-64: a variant compiled for
//                        AVX2 (target("avx2")), chosen at run time with
//                        __builtin_cpu_supports. Elsewhere 0, and the
//                        baseline variant is the only one.
//   NUVRA_AVX512_DISPATCH  The same for a variant compiled for AVX-512
//                        (the show's colour-table conversion in the Linux
//                        backend, which includes this header too).
#pragma once

// The fast step must give the very bytes of the straightforward one, and
// it gets its rounding (half to even) from adding and subtracting 1.5 * 2^52,
// which -ffast-math is free to fold away; with it about half the frames
// come out wrong, with no error anywhere.
#if defined(__FAST_MATH__)
#error "Nuvra must not be built with -ffast-math (or -Ofast): fast-math silently breaks the frame step's rounding"
#endif

#if defined(__GNUC__) || defined(__clang__)
#define NUVRA_VECTOR_TYPES 1
#else
#define NUVRA_VECTOR_TYPES 0
#endif

#if NUVRA_VECTOR_TYPES && defined(__x86_64__)
#define NUVRA_AVX2_DISPATCH 1
#else
#define NUVRA_AVX2_DISPATCH 0
#endif
#define NUVRA_AVX512_DISPATCH NUVRA_AVX2_DISPATCH
