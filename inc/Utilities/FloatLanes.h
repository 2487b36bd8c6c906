// FloatLanes: four floats held and computed as one, a vector of the compiler's (a GCC and Clang
// extension, so not bound to one processor): one register where the processor has them, plain
// floats where not. Arithmetic and comparisons act lane by lane.
#pragma once

constexpr int kFloatLanes = 4;
using FloatLanes = float __attribute__((vector_size(kFloatLanes * sizeof(float))));
