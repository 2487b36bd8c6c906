// Fuzzes the GUI system's input routing: the input's bytes become the transforms, view sizes and
// ortho box of two live panes (zero, negative and huge sizes included) and the window size the hit
// test maps into, then a run of key, mouse and wheel messages. Whatever the placement, no division may
// trap, no pane outside the point may be hit, and every local point must come from a pane.
#include "Components/GUI/HTMLPane.h"
#include "Components/Graphics/OrthoPlane.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "HTMLEngine/HTMLView.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/GUI/GUI.h"

#include "FuzzBytes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace
{
	constexpr int kPanes = 2;

	using fuzz::ByteReader;

	GUI& GuiSystem()
	{
		static GUI* gui = [] {
			const std::filesystem::path folder = std::filesystem::temp_directory_path() / "GuiInputFuzzUser";
			std::filesystem::create_directories(folder);
			std::ofstream(folder / "Tumblewreck.cfg") << "<Config/>";
			std::ofstream(folder / "Blank.html") << "<body style='margin:0'><div onclick='1' style='height:50px'></div></body>";
			auto* engine = new Engine("", folder.string() + "/", "Tumblewreck.cfg");
			auto* made = new GUI();
			engine->AddSystem(made);
			Transform::Register();
			OrthoPlane::Register();
			return made;
		}();
		return *gui;
	}

	// Two live panes made once (a page per input would start a script context per input), the
	// first with an ortho plane.
	Composition** Panes()
	{
		static Composition* panes[kPanes] = {};
		if (panes[0] != nullptr)
			return panes;
		for (int index = 0; index < kPanes; ++index)
		{
			const std::string xml = "<Object><Component><string>Transform</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f>"
				"<Tuple3f>0 0 0</Tuple3f></Component><Component><string>HTMLPane</string><Tuple4i>0 0 64 64</Tuple4i><bool>true</bool>"
				"<bool>true</bool><string>FILE</string><string>Blank.html</string></Component>" +
				std::string(index == 0 ? "<Component><string>OrthoPlane</string><Tuple4i>0 0 64 64</Tuple4i></Component>" : "") + "</Object>";
			std::istringstream text(xml);
			Serializer serializer;
			serializer.LoadFromStream(text, "pane " + std::to_string(index));
			const Object object = CreateObject("Pane");
			object.object->Load(serializer, 0);
			object.object->Start();
			panes[index] = object.object;
		}
		return panes;
	}

	// Places the pane as the bytes say: any float for place and scale, any view size up to 1023
	// (negative ones held at 0), any box for the plane.
	void PlacePane(Composition& pane, ByteReader& bytes)
	{
		Transform* transform = pane.GetComponent<Transform>();
		const float x = bytes.Next<float>(), y = bytes.Next<float>();
		transform->SetWorldPosition(Tuple3f(x, y, 0.0f));
		const float width = bytes.Next<float>(), height = bytes.Next<float>();
		transform->SetScale(Tuple3f(width, height, 1.0f));
		pane.GetComponent<HTMLPane>()->Resize(bytes.Next<std::int16_t>() % 1024, bytes.Next<std::int16_t>() % 1024);
		if (OrthoPlane* plane = pane.GetComponent<OrthoPlane>())
			plane->SetBounds(Tuple4<int>(bytes.Next<std::int32_t>(), bytes.Next<std::int32_t>(), bytes.Next<std::int32_t>(),
				bytes.Next<std::int32_t>()));
	}

	void SendInput(GUI& gui, ByteReader& bytes)
	{
		const Tuple2<int> window(bytes.Next<std::int16_t>(), bytes.Next<std::int16_t>());
		while (!bytes.Empty())
		{
			const std::uint8_t kind = bytes.Next<std::uint8_t>() % 6;
			const int button = bytes.Next<std::uint8_t>() % 7;
			const int x = bytes.Next<std::int32_t>();
			const int y = bytes.Next<std::int32_t>();
			static const char* const kNames[] = {"KeyDown", "KeyUp", "MouseDown", "MouseUp", "MouseMove"};
			if (kind == 5)
			{
				int localX = x, localY = y;
				const HTMLView* view = gui.PaneAt(localX, localY, static_cast<unsigned>(button), window);
				bool listed = view == nullptr;
				for (HTMLPane* pane : gui.GetPanes())
					listed = listed || pane->GetView() == view;
				if (!listed)
					__builtin_trap();
				continue;
			}
			Message message(kNames[kind]);
			if (kind < 2)
				message.PushInt(x).PushInt(y).PushInt(button);
			else if (kind < 4)
				message.PushInt(button).PushInt(x).PushInt(y);
			else
				message.PushInt(x).PushInt(y);
			Engine::SendMessage(message);
		}
	}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	std::cerr.rdbuf(nullptr);
	std::cout.rdbuf(nullptr);
	GuiSystem();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	GUI& gui = GuiSystem();
	Composition** panes = Panes();
	ByteReader bytes(data, size);
	for (int index = 0; index < kPanes; ++index)
		PlacePane(*panes[index], bytes);
	SendInput(gui, bytes);
	gui.Update();
	if (gui.GetPanes().size() != kPanes)
		__builtin_trap();
	return 0;
}
