// PlayerHud: the heads-up display's health and lungs bars. It listens to the player's
// "HealthPercentage" and "LungsPercentage", keeps the values for the page to read, and asks the
// page to redraw the bar; the page reads its layout sizes and calls "HtmlCreated" when it is ready.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Tuple.h"

class Composition;

struct __PlayerHudName
{
	static constexpr const char* name = "PlayerHud";
};

class PlayerHud : public ComponentBase<PlayerHud, __PlayerHudName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Listens to the percentages on the first "Player" (none without one) and to "HiddenHud".
	bool Start() override;
	bool Update() override { return true; }
	void Detach() override {}

	// Called by the page: spans the display over the window, then lists the objectives.
	void HtmlCreated();
	// The 4:3 resolution of the window's height.
	Tuple2f GetCurrRes() const;

	// Centres the display across the window and gives its plane the whole window; nothing on an
	// object without a pane and a plane (or a script-made display without one). True when placed.
	static bool PlaceDisplay(Composition* display);

	float GetHealthPercentage() const { return HealthPercentage_; }
	float GetLungsPercentage() const { return LungsPercentage_; }
	const Tuple2f& GetBaseRes() const { return BaseRes_; }
	const Tuple2f& GetLungsBarSize() const { return LungsBarSize_; }
	const Tuple2f& GetHealthBarSize() const { return HealthBarSize_; }
	const Tuple2f& GetWolfHeadSize() const { return WolfHeadSize_; }
	const Tuple2f& GetObjectiveSize() const { return ObjectiveSize_; }
	const Tuple2f& GetObjectiveImageSize() const { return ObjectiveImageSize_; }
	float GetFontSize() const { return FontSize_; }

	float HealthPercentage_ = 0.0f;
	float LungsPercentage_ = 0.0f;

private:
	void OnHealthPercentage(Message::Reader reader);
	void OnLungsPercentage(Message::Reader reader);
	void OnHiddenHud(Message::Reader reader);

	float StartingHealthPercentage_ = 0.0f;
	float StartingLungsPercentage_ = 0.0f;
	Tuple2f BaseRes_;
	Tuple2f LungsBarSize_;
	Tuple2f HealthBarSize_;
	Tuple2f WolfHeadSize_;
	Tuple2f ObjectiveSize_;
	Tuple2f ObjectiveImageSize_;
	float FontSize_ = 0.0f;
};
