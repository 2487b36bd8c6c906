// HTMLPane: puts one HTML page on a game object. It creates a view of the HTML engine, loads a page
// file or URL into it, runs the statements other components deliver in "CallJSFunction", and in
// every frame the page changed hands its pixels to the object's PixelBuffer ("SetTextureData").
// The GUI system lists the started panes, calls their upload and routes input into their views.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <string>

class HTMLView;

struct __HTMLPaneName
{
	static constexpr const char* name = "HTMLPane";
};

class HTMLPane : public ComponentBase<HTMLPane, __HTMLPaneName>
{
public:
	HTMLPane() = default;
	// A copy has no view of its own yet: sharing the pointer would destroy the view twice.
	HTMLPane(const HTMLPane& other);
	HTMLPane& operator=(const HTMLPane&) = delete;

	// "dimensions", "scroll", "transparent", "startupType" ("URL" in any case, else a file),
	// "startupLoc" (a file is found through the search paths, and saved back under the name it was
	// given), "handlesInput" (true when absent).
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Creates the view, requests the page, listens to its messages and joins the GUI's panes.
	bool Start() override;
	// Uploads the view when it holds new pixels.
	bool Update() override;
	// Destroys the view and leaves the GUI's panes.
	void Detach() override;

	// A view larger than this on a side is refused: a typo in a file must not ask for gigabytes.
	static constexpr int kLargestSide = 8192;

	HTMLView* GetView() const { return view; }
	// (x, y, width, height): placement in display pixels and the view's size.
	const Tuple4<int>& GetDimensions() const { return dimensions; }
	// Places the pane at the origin with that size and resizes its view; each side is held to
	// [0, kLargestSide].
	void Resize(int width, int height);
	// The page as given, which is what is saved.
	const std::string& GetStartupLoc() const { return startupLoc; }
	// What the view loads: the file the search paths found for the given name, or the URL.
	const std::string& GetPageLocation() const { return pageLocation; }
	bool IsFile() const { return isFile != 0; }
	bool HandlesInput() const { return handlesInput; }

private:
	void OnCallJSFunction(Message::Reader reader);
	void OnLoadURL(Message::Reader reader);
	void OnForceRedraw(Message::Reader reader);
	// Sends the whole view to the object, dirty or not.
	void Upload();

	HTMLView* view = nullptr;
	Tuple4<int> dimensions;
	bool handlesInput = true;
	bool scroll = false;
	bool transparent = false;
	unsigned isFile = 1;
	std::string startupLoc;
	// Resolved when loading only: a saved absolute path would name this machine's folders.
	std::string pageLocation;
};
