// Inertia tensors of simple solid shapes and of bodies built from several of them, held in
// the upper-left 3x3 block of a Matrix4. The physics engine keeps a body's tensor beside its
// inverse, which is what its solver uses.
#pragma once

#include "Utilities/Matrix4.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

// A tensor followed by its inverse: the form a rigid body keeps.
struct InertiaTensorPair
{
	Matrix4 tensor;
	Matrix4 inverse;
};

// The shapes whose tensor is known from their dimensions, in the order of the shape table.
enum class InertiaShape
{
	Ellipsoid = 0, // semi-axes x/2, y/2, z/2 (a sphere when all are equal)
	Box = 1,       // full extents x, y, z
	Cone = 2,      // base radius x/2, height y along the y axis
	Cylinder = 3,  // radius x/2, height y along the y axis
	Plate = 4,     // thin x by y plate in the xy plane
};

class InertiaTensor
{
public:
	// The tensor of a solid shape about its own centre into the diagonal of out (elements 0,
	// 5 and 10), element 15 set to 1 and the rest left as they were. An unknown shape throws
	// FLException.
	static void FromShape(InertiaShape shape, const Tuple3f& dimensions, float mass, Matrix4& out);

	// Clears both matrices; unless the mass is zero or NaN fills them with the ellipsoid's
	// tensor and its inverse.
	static void Compute(InertiaTensorPair& out, const Tuple3f& dimensions, float mass);

	// The inverse of the tensor's 3x3 block, element 15 set to 1; all zeros when the block is
	// singular relative to its largest element (its determinant at or below 1e-9 of that cubed).
	static Matrix4 Invert(const Matrix4& tensor);
	static constexpr double kRelativeSingularity = 1e-9;

	// Adds one part's tensor to the accumulator: rotated by orientation into the body frame
	// and moved to offset about the body origin (parallel-axis theorem). All 16 elements are
	// added.
	static void TransformToBody(Matrix4& accumulator, const Tuple3f& offset, InertiaShape shape,
		const Tuple3f& dimensions, const Quaternion& orientation, float mass);
};
