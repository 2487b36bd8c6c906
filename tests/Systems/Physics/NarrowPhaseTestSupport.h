// Helpers of the narrow-phase tests: primitives placed on bodies of their own, random poses, a
// manifold stand-in with the manifold's merging rule, and brute-force references for boxes and
// spheres computed in double precision from the shapes' corners and centres.
#pragma once

#include "Systems/Physics/ContactPoint.h"
#include "Systems/Physics/PrimitiveCollider.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/TestHelpers.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace test
{
	// A primitive of the given size on a body of its own at position, turned by orientation.
	inline PrimitiveCollider Primitive(const std::string& shape, const Tuple3f& size, const Tuple3f& position,
		const Quaternion& orientation = Quaternion())
	{
		RigidBody body;
		body.orientation = orientation;
		body.transforms = ShapeTransforms::From(position, Tuple3f(1.0f, 1.0f, 1.0f), orientation);
		PrimitiveCollider piece(size, shape, Tuple3f(), Tuple3f());
		piece.UpdateTransform(body);
		// As the composite collider sets it: half the diagonal of the size.
		piece.radius = 0.5f * static_cast<float>(size.Length());
		return piece;
	}

	inline Tuple3f RandomUnitVector()
	{
		for (;;)
		{
			const Tuple3f v(RandomIn(-1, 1), RandomIn(-1, 1), RandomIn(-1, 1));
			const double length = v.Length();
			if (length > 0.1 && length <= 1.0)
				return v * static_cast<float>(1.0 / length);
		}
	}

	inline Quaternion RandomOrientation()
	{
		return QuaternionFromRotationVector(RandomUnitVector() * RandomIn(0.0f, 3.1f));
	}

	// Stores contacts as a manifold does: a new point within 0.05 of a stored one replaces it only
	// when deeper.
	class ContactCollector : public ContactReceiver
	{
	public:
		unsigned GetContactCount() const override { return static_cast<unsigned>(contacts.size()); }
		void AddContact(const ContactPoint& contact) override
		{
			for (ContactPoint& stored : contacts)
				if (stored.point.DistanceSquared(contact.point) < 0.0025f)
				{
					if (contact.depth > stored.depth)
						stored = contact;
					return;
				}
			contacts.push_back(contact);
		}

		float DeepestDepth() const
		{
			float deepest = -1e30f;
			for (const ContactPoint& contact : contacts)
				deepest = std::max(deepest, contact.depth);
			return deepest;
		}

		std::vector<ContactPoint> contacts;
	};

	struct Vector
	{
		double x = 0, y = 0, z = 0;
		Vector() = default;
		Vector(double x, double y, double z) : x(x), y(y), z(z) {}
		Vector(const Tuple3f& v) : x(v.x), y(v.y), z(v.z) {}
		Vector operator-(const Vector& o) const { return {x - o.x, y - o.y, z - o.z}; }
		Vector operator+(const Vector& o) const { return {x + o.x, y + o.y, z + o.z}; }
		Vector operator*(double s) const { return {x * s, y * s, z * s}; }
		double Dot(const Vector& o) const { return x * o.x + y * o.y + z * o.z; }
		Vector Cross(const Vector& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
		double Length() const { return std::sqrt(Dot(*this)); }
	};

	// The box's corners and its three face axes in world space.
	struct BoxShape
	{
		explicit BoxShape(const PrimitiveCollider& box)
		{
			for (int i = 0; i < 8; ++i)
				corners[i] = box.worldMatrix * Tuple3f(i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f);
			const Tuple3f unit[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
			for (int i = 0; i < 3; ++i)
				axes[i] = Quaternion::Rotate(box.worldOrientation, unit[i]);
		}

		void Project(const Vector& axis, double& low, double& high) const
		{
			low = 1e300, high = -1e300;
			for (const Vector& corner : corners)
				low = std::min(low, corner.Dot(axis)), high = std::max(high, corner.Dot(axis));
		}

		Vector corners[8];
		Vector axes[3];
	};

	// The penetration depth of two boxes: the least distance that moves them apart along one of
	// the fifteen candidate axes (negative when a gap separates them), and that axis.
	inline double BoxPenetration(const PrimitiveCollider& first, const PrimitiveCollider& second, Vector* axisOut = nullptr)
	{
		const BoxShape a(first), b(second);
		std::vector<Vector> axes(a.axes, a.axes + 3);
		axes.insert(axes.end(), b.axes, b.axes + 3);
		for (const Vector& u : a.axes)
			for (const Vector& v : b.axes)
				if (u.Cross(v).Length() > 1e-3)
					axes.push_back(u.Cross(v) * (1.0 / u.Cross(v).Length()));
		double least = 1e300;
		for (const Vector& axis : axes)
		{
			double lowA, highA, lowB, highB;
			a.Project(axis, lowA, highA);
			b.Project(axis, lowB, highB);
			// The shorter way apart: a moved down the axis past b, or up past it.
			const double overlap = std::min(highA - lowB, highB - lowA);
			if (overlap < least)
			{
				least = overlap;
				if (axisOut != nullptr)
					*axisOut = axis;
			}
		}
		return least;
	}

	// The point of a box (of the given size, placed by the primitive) closest to a point.
	inline Vector ClosestPointOfBox(const PrimitiveCollider& box, const Tuple3f& size, const Vector& point)
	{
		const BoxShape shape(box);
		const Vector centre = box.GetCentre();
		Vector closest = centre;
		const double half[3] = {size.x / 2.0, size.y / 2.0, size.z / 2.0};
		for (int i = 0; i < 3; ++i)
			closest = closest + shape.axes[i] * std::clamp((point - centre).Dot(shape.axes[i]), -half[i], half[i]);
		return closest;
	}
}
