// Fuzzes the narrow phase: the input places two primitives (shape, size, position, turn) on bodies
// of their own; every pair that its test finds overlapping has its contacts generated, and each
// contact must be finite, no shallower than -0.001, with a normal of unit length.
#include "Systems/Physics/NarrowPhaseContext.h"
#include "Systems/Physics/PrimitiveCollider.h"
#include "Systems/Physics/RigidBody.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
	constexpr const char* kShapes[] = {"sphere", "cube", "cone", "cylinder", "plane"};

	class ByteReader
	{
	public:
		ByteReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

		// A value in [low, high], from two bytes (zeros once the input runs out).
		float In(float low, float high)
		{
			const unsigned raw = static_cast<unsigned>(Next()) << 8 | Next();
			return low + (high - low) * static_cast<float>(raw) / 65535.0f;
		}

		std::uint8_t Next() { return offset < size ? data[offset++] : 0; }

	private:
		const std::uint8_t* data;
		std::size_t size;
		std::size_t offset = 0;
	};

	PrimitiveCollider Placed(ByteReader& reader, RigidBody& body)
	{
		const char* shape = kShapes[reader.Next() % 5];
		const Tuple3f size(reader.In(0.05f, 4.0f), reader.In(0.05f, 4.0f), reader.In(0.05f, 4.0f));
		const Tuple3f position(reader.In(-2.0f, 2.0f), reader.In(-2.0f, 2.0f), reader.In(-2.0f, 2.0f));
		const Tuple3f turn(reader.In(-3.2f, 3.2f), reader.In(-3.2f, 3.2f), reader.In(-3.2f, 3.2f));
		body.orientation = QuaternionFromRotationVector(turn);
		body.transforms = ShapeTransforms::From(position, Tuple3f(1.0f, 1.0f, 1.0f), body.orientation);
		PrimitiveCollider piece(size, shape, Tuple3f(), Tuple3f());
		piece.UpdateTransform(body);
		return piece;
	}

	class ContactList : public ContactReceiver
	{
	public:
		unsigned GetContactCount() const override { return static_cast<unsigned>(contacts.size()); }
		void AddContact(const ContactPoint& contact) override { contacts.push_back(contact); }

		std::vector<ContactPoint> contacts;
	};

	bool Finite(const Tuple3f& v)
	{
		return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
	}

	void Check(bool holds, const char* what, const ContactPoint& contact)
	{
		if (holds)
			return;
		std::fprintf(stderr, "Contact %s: point %g %g %g, normal %g %g %g, depth %g\n", what, contact.point.x, contact.point.y,
			contact.point.z, contact.normal.x, contact.normal.y, contact.normal.z, contact.depth);
		std::abort();
	}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	static NarrowPhaseContext context;
	ByteReader reader(data, size);
	RigidBody firstBody, secondBody;
	const PrimitiveCollider first = Placed(reader, firstBody);
	const PrimitiveCollider second = Placed(reader, secondBody);
	if (!context.TestPair(first, second))
		return 0;
	ContactList manifold;
	context.GenerateContactManifold(second, first, manifold);
	Check(!manifold.contacts.empty(), "missing", ContactPoint());
	for (const ContactPoint& contact : manifold.contacts)
	{
		Check(Finite(contact.point) && Finite(contact.normal) && std::isfinite(contact.depth), "not finite", contact);
		Check(contact.depth >= -1e-3f, "too shallow", contact);
		Check(std::fabs(contact.normal.Length() - 1.0) < 1e-3, "normal not of unit length", contact);
	}
	return 0;
}
