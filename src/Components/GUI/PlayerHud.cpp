#include "Components/GUI/PlayerHud.h"

#include "Components/GUI/HTMLPane.h"
#include "Components/Graphics/OrthoPlane.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/GUI/GUI.h"
#include "Utilities/v8/JSObject.h"
#include "Utilities/v8/ScriptTuples.h"

namespace
{
	[[maybe_unused]] const bool playerHudScriptClassRegistered = [] {
		JSObject<PlayerHud>::Bind("PlayerHud", 0)
			.AddMember("HealthPercentage_", &PlayerHud::HealthPercentage_)
			.AddMember("LungsPercentage_", &PlayerHud::LungsPercentage_)
			.AddGetter("LungsBarSize_", &PlayerHud::GetLungsBarSize)
			.AddGetter("HealthBarSize_", &PlayerHud::GetHealthBarSize)
			.AddGetter("BaseRes_", &PlayerHud::GetBaseRes)
			.AddGetter("WolfHeadSize_", &PlayerHud::GetWolfHeadSize)
			.AddGetter("ObjectiveSize_", &PlayerHud::GetObjectiveSize)
			.AddGetter("ObjectiveImageSize_", &PlayerHud::GetObjectiveImageSize)
			.AddGetter("FontSize_", &PlayerHud::GetFontSize)
			.AddFunction("GetCurrRes", &PlayerHud::GetCurrRes)
			.AddFunction("HtmlCreated", &PlayerHud::HtmlCreated);
		return true;
	}();

	// The single-precision 4:3.
	constexpr float kFourThirds = 1.3333334f;
}

bool PlayerHud::Load(Serializer& serializer)
{
	serializer.Read(StartingHealthPercentage_)
		.Read(StartingLungsPercentage_)
		.Read(HealthBarSize_)
		.Read(LungsBarSize_)
		.Read(BaseRes_)
		.Read(WolfHeadSize_)
		.Read(ObjectiveSize_)
		.Read(ObjectiveImageSize_)
		.Read(FontSize_);
	HealthPercentage_ = StartingHealthPercentage_;
	LungsPercentage_ = StartingLungsPercentage_;
	return true;
}

bool PlayerHud::Serialize(Serializer& serializer)
{
	serializer.Write("StartingHealthPercentage_", StartingHealthPercentage_)
		.Write("StartingLungsPercentage_", StartingLungsPercentage_)
		.Write("HealthBarSize_", HealthBarSize_)
		.Write("LungsBarSize_", LungsBarSize_)
		.Write("BaseRes_", BaseRes_)
		.Write("WolfHeadSize_", WolfHeadSize_)
		.Write("ObjectiveSize_", ObjectiveSize_)
		.Write("ObjectiveImageSize_", ObjectiveImageSize_)
		.Write("FontSize_", FontSize_);
	return true;
}

bool PlayerHud::Start()
{
	// Without a player nothing is registered: on the shared "Dummy" object the handlers would
	// outlive this display.
	if (const Object player = ObjectFromName("Player"); !player.IsDummy())
	{
		player.object->RegisterHandler("HealthPercentage", &PlayerHud::OnHealthPercentage, owner->GetId());
		player.object->RegisterHandler("LungsPercentage", &PlayerHud::OnLungsPercentage, owner->GetId());
	}
	owner->RegisterHandler("HiddenHud", &PlayerHud::OnHiddenHud);
	return true;
}

void PlayerHud::OnHealthPercentage(Message::Reader reader)
{
	HealthPercentage_ = reader.Read<float>();
	owner->HandleMessage(Message("CallJSFunction").PushString("SetNewHealth(); void(0);"));
}

void PlayerHud::OnLungsPercentage(Message::Reader reader)
{
	LungsPercentage_ = reader.Read<float>();
	owner->HandleMessage(Message("CallJSFunction").PushString("SetNewLungs(); void(0);"));
}

void PlayerHud::OnHiddenHud(Message::Reader reader)
{
	owner->HandleMessage(Message("SetVisible").PushBool(!reader.Read<bool>()));
}

bool PlayerHud::PlaceDisplay(Composition* display)
{
	HTMLPane* pane = display != nullptr ? display->GetComponent<HTMLPane>() : nullptr;
	OrthoPlane* plane = display != nullptr ? display->GetComponent<OrthoPlane>() : nullptr;
	if (pane == nullptr || plane == nullptr)
		return false;
	const Tuple2<int> window = GUI::WindowSize();
	const Tuple4<int>& dimensions = pane->GetDimensions();
	const double bottom = static_cast<double>(dimensions.y) + dimensions.w;
	display->HandleMessage(Message("SetPos").Push(Tuple3f(static_cast<float>(static_cast<float>(window.x) * 0.5),
		static_cast<float>(bottom * 0.5), 0.0f)));
	plane->SetBounds(Tuple4<int>(0, 0, window.x, window.y));
	return true;
}

void PlayerHud::HtmlCreated()
{
	if (PlaceDisplay(owner))
		owner->HandleMessage(Message("InitHudObjective"));
}

Tuple2f PlayerHud::GetCurrRes() const
{
	const float height = static_cast<float>(GUI::WindowSize().y);
	return Tuple2f(height * kFourThirds, height);
}
