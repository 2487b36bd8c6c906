#include "Systems/Particle/UpdateSetters.h"

#include "Components/Graphics/Camera.h"
#include "Components/Physics/Ragdoll.h"
#include "Object.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/MathCommon.h"

#include <algorithm>
#include <cmath>

namespace PS
{
	namespace
	{
		// centre + (sin a × radius, height, cos a × radius).
		Tuple3f OnCircle(const Tuple3f& centre, double angle, float height, float radius)
		{
			return centre + Tuple3f(static_cast<float>(std::sin(angle) * radius), height, static_cast<float>(std::cos(angle) * radius));
		}
	}

	void Update_Accelerate_Global::Apply(Particle& particle)
	{
		particle.velocity += accel * TimeStep();
	}

	void Update_Scale_Default::Apply(Particle& particle)
	{
		particle.scale += dScale * TimeStep();
	}

	void Update_Scale_Inverse::Apply(Particle& particle)
	{
		// A zero lifeTime or denominator would write infinity or NaN into the particle.
		if (lifeTime == 0.0f)
			return;
		const float f = particle.life / lifeTime;
		const float denominator = (1.0f - f) * (tail - 1.0f) + 1.0f;
		const float scale = initScale / denominator;
		if (std::isfinite(scale))
			particle.scale = scale;
	}

	void Update_Color::Apply(Particle& particle)
	{
		// A zero time would write infinity or NaN into the colour.
		if (time == 0.0f)
			return;
		const float remaining = 1.0f - particle.life / time;
		particle.color = particle.startColor + (goal - particle.startColor) * remaining;
	}

	void Update_Color_Dark::Apply(Particle& particle)
	{
		const float dt = TimeStep();
		particle.color.x = std::max(particle.color.x + speed.x * dt, goal.x);
		particle.color.y = std::max(particle.color.y + speed.y * dt, goal.y);
		particle.color.z = std::max(particle.color.z + speed.z * dt, goal.z);
	}

	void Update_Alpha::Apply(Particle& particle)
	{
		particle.color.w = std::clamp(particle.color.w + drain * TimeStep(), 0.0f, 1.0f);
	}

	void Update_Pig_Stars::Refresh()
	{
		// Looked up each frame: a ragdoll erases its part bodies at its Release.
		auto* ragdoll = static_cast<Ragdoll*>(FindComponent(ownerId, Ragdoll::TypeId()));
		const RagdollPart* part = ragdoll != nullptr ? ragdoll->GetPartBody("head") : nullptr;
		head = part != nullptr ? part->body : nullptr;
	}

	void Update_Pig_Stars::Apply(Particle& particle)
	{
		if (head == nullptr)
			return;
		particle.base.x += speed * TimeStep();
		particle.position = OnCircle(head->GetPosition(), particle.base.x, height, radius);
	}

	void Update_Vortex::Attach(unsigned)
	{
		omega = static_cast<float>(vAngle * kDegreesToRadians);
	}

	void Update_Vortex::Apply(Particle& particle)
	{
		const float dt = TimeStep();
		particle.base.x += omega * dt;
		particle.base.y += vHeight * dt;
		particle.base.z += (1.0f - particle.life / 0.6f) * vRadius * dt;
		particle.position = OnCircle(Tuple3f(), particle.base.x, particle.base.y, particle.base.z);
	}

	void Update_Position_Relative::Apply(Particle& particle)
	{
		if (body != nullptr)
			particle.position += ModelToWorld(*body, modelPos);
	}

	void Update_Position_ARH::Attach(unsigned)
	{
		playerId = ObjectFromName("Player").id;
	}

	void Update_Position_ARH::Refresh()
	{
		player = playerId != 0 ? FindBody(playerId) : nullptr;
	}

	void Update_Position_ARH::Apply(Particle& particle)
	{
		if (player == nullptr)
			return;
		const float dt = TimeStep();
		particle.base.x += static_cast<float>(aVelocity * kDegreesToRadians * dt);
		particle.base.y += hVelocity * dt;
		particle.base.z += rVelocity * dt;
		particle.position = OnCircle(player->GetPosition(), particle.base.x, particle.base.y, particle.base.z);
	}

	template <class T>
	void CameraSteering<T>::Steer(Particle& particle, float below, bool away)
	{
		if (this->camera == nullptr)
			return;
		const Tuple3f& forward = this->camera->GetDirection();
		const Tuple3f target = this->camera->GetEyePosition() - forward * negDir + Tuple3f(0.0f, -below, 0.0f);
		const Tuple3f d = target - particle.position;
		const float t = d.DotProduct(forward);
		if (!away && t >= -0.0001f)
			particle.color.w = 0.0f;
		const Tuple3f across = d - forward * t;
		const Tuple3f heading = d + across * 0.5f + Cross(d, across) * 0.2f;
		// A particle at the target has no heading; normalising would give the float maxima.
		if (TupleMath::IsZeroLength<float>(heading.Length()))
			return;
		particle.velocity = heading.Normalize() * (away ? -velocity : velocity);
	}

	template class CameraSteering<Update_Velocity_Camera>;
	template class CameraSteering<Update_Velocity_Camera_Blow>;

	void Update_Draw_Debug::Attach(unsigned)
	{
		graphics = Graphics::Find();
	}

	void Update_Draw_Debug::Apply(Particle& particle)
	{
		if (graphics != nullptr)
			graphics->DrawSphereUniform(particle.position, particle.scale, particle.rotation, 10, 10, particle.color);
	}
}
