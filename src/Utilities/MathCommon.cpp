#include "Utilities/MathCommon.h"

#include <cmath>
#include <cstdlib>

float Cos(float angle)
{
	return static_cast<float>(std::cos(static_cast<double>(angle)));
}

float Sin(float angle)
{
	return static_cast<float>(std::sin(static_cast<double>(angle)));
}

float FloatAbs(float value)
{
	return std::fabs(value);
}

int NextPowerOfTwo(int n)
{
	if (n == 0)
		return 1;
	// 2^30 is the largest power of two an int holds; a larger exponent would overflow the
	// conversion back to int.
	constexpr double kLargestExponent = 30.0;
	const double magnitude = std::fabs(static_cast<double>(n));
	// log2 rather than log(n) / log(2): the quotient comes out just above 29 for 2^29 and
	// would double the result.
	const double exponent = std::ceil(std::log2(magnitude));
	return static_cast<int>(std::pow(2.0, std::fmin(exponent, kLargestExponent)));
}
