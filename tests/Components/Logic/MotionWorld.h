// What the motion component tests share: the gameplay world with static slabs to stand on or hang
// under, and quick reads of where an object is and how it is turned.
#pragma once

#include "Components/Logic/GameplayWorld.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/ValueText.h"

#include <cmath>

namespace test
{
	class MotionWorld : public GameplayWorld
	{
	public:
		using GameplayWorld::GameplayWorld;

		// A static box centred at the position with the size given by scale.
		Object AddSlab(const Tuple3f& centre, const Tuple3f& scale)
		{
			const Object slab = AddBodyObject("Slab", centre, false, CubeBody());
			slab.object->GetComponent<Transform>()->SetScale(scale);
			slab.object->Start();
			slab.object->HandleMessage(Message("SetStatic"));
			// The static colliders answer ray casts once physics has stepped with them.
			Step();
			return slab;
		}
		// A started object with a loaded Transform (so that it hears "SetPos" and "SetRot") at the
		// position, turned by the degrees, with a unit cube Body without gravity when asked and the
		// component of the type (none for 0) loaded from the values.
		Object AddMoving(unsigned typeId, const std::string& values, const Tuple3f& position = Tuple3f(), const Tuple3f& degrees = Tuple3f(),
			bool withBody = false, const std::string& name = "Thing")
		{
			const Object object = CreateObject(name);
			AddLoaded(object, Transform::TypeId(), "<Tuple3f>" + ValueText::Format(position) + "</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>" +
				ValueText::Format(degrees) + "</Tuple3f>");
			if (withBody)
				AddLoaded(object, Body::TypeId(), CubeBody("NOGRAVITY"));
			if (typeId != 0)
				AddLoaded(object, typeId, values);
			object.object->Start();
			return object;
		}
		// A floor whose top is at the height.
		Object AddFloor(float top) { return AddSlab(Tuple3f(0, top - 0.5f, 0), Tuple3f(40, 1, 40)); }

		static Tuple3f PositionOf(const Object& object) { return object.object->GetComponent<Transform>()->GetWorldPosition(); }
		static Quaternion OrientationOf(const Object& object) { return object.object->GetComponent<Transform>()->GetWorldOrientation(); }
		static void PausePhysics(bool paused) { Physics::Instance()->GetResolution().updateEnabled = !paused; }
		template <class T>
		static T& Of(const Object& object)
		{
			return *object.object->GetComponent<T>();
		}
	};

	// The angle between two orientations, radians; from the turn between them by atan2, which
	// stays accurate for small angles where acos of a dot product does not.
	inline double AngleBetween(const Quaternion& a, const Quaternion& b)
	{
		const Quaternion turn = a * b.Conjugate();
		return 2.0 * std::atan2(std::sqrt(static_cast<double>(turn.x) * turn.x + static_cast<double>(turn.y) * turn.y +
									static_cast<double>(turn.z) * turn.z),
						 std::fabs(static_cast<double>(turn.w)));
	}
}
