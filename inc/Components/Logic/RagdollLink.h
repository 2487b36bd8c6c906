// RagdollLink: hangs its object on a bone of another object's skeleton. On "Connect" the object
// glides from where it stands to the bone (plus an offset) over connectTime seconds, then rides on
// the bone every frame until "Disconnect" or until the other object or its bone is gone. While
// linked, the object moves only by the "SetPos" and "SetRot" this component sends it. The golem's
// head hangs on the golem this way.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <string>

class Composition;

struct __RagdollLinkName
{
	static constexpr const char* name = "RagdollLink";
};

class RagdollLink : public ComponentBase<RagdollLink, __RagdollLinkName>
{
public:
	enum State : int
	{
		kGliding = 0,
		kAttached = 1,
		kFree = 2,
	};

	RagdollLink();

	// Registers "Connect" and "Disconnect", then reads the fields.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;
	void Detach() override {}

	State GetState() const { return state; }
	unsigned GetTargetId() const { return targetId; }

	float connectTime = 0.0f;
	std::string boneName;
	Tuple3f offsetPos;
	Quaternion offsetRot;

private:
	struct Pose
	{
		Tuple3f position;
		Quaternion rotation;
	};

	void OnConnect(Message::Reader reader);
	void OnDisconnect(Message::Reader reader);
	// The bone's pose plus the offsets, in the world; none when the target or its bone is gone.
	bool AnchorPose(Pose& pose) const;
	void SendPose(const Pose& pose) const;

	// offsetRot as read, so that a save writes back what was loaded.
	Tuple3f offsetRotation;
	unsigned targetId = 0;
	State state = kFree;
	std::uint32_t glideStart = 0;
	Pose start;
	Pose end;
};
