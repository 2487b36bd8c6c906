// Guards and scalar helpers shared by the tuple, quaternion and matrix routines. The guard
// values are part of the game's feel: thresholds below which a length, angle or determinant
// counts as zero.
#pragma once

#include <cfloat>
#include <climits>

// Vector lengths at or below this are zero (normalisation gives signed maxima).
constexpr double kLengthEpsilon = DBL_EPSILON;
// Scalar divisors and quaternion lengths at or below this are zero.
constexpr double kDivisorEpsilon = FLT_EPSILON;
// Angles and rotation-vector lengths below this are no rotation.
constexpr double kAngleEpsilon = 1e-4;
// Matrices whose determinant's magnitude is at or below this have no inverse.
constexpr double kDeterminantEpsilon = 1e-5;

// Angles are radians in memory; files and OpenGL's rotation calls take degrees.
constexpr double kDegreesToRadians = 0.017453292519943295;
constexpr double kRadiansToDegrees = 57.29577951308232;

// The value a zero-length normalisation or a zero division gives a component: the largest
// value with the component's sign, where zero (and negative zero) counts as positive.
constexpr float SignedMax(float component)
{
	return component < 0.0f ? -FLT_MAX : FLT_MAX;
}

constexpr int SignedMax(int component)
{
	return component < 0 ? -INT_MAX : INT_MAX;
}

// Cosine and sine of a float computed in double.
float Cos(float angle);
float Sin(float angle);
float FloatAbs(float value);

// The power of two not below |n|; 0 gives 1. Texture sizes and buffer capacities use it.
int NextPowerOfTwo(int n);
