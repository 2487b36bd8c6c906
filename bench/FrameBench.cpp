// One frame of the deferred renderer on Mesa's software rasteriser (run under xvfb-run): 500
// textured primitives, 32 omni lights and 2,000 depth-sorted point sprites at 1280x720, the whole frame and each pass alone (every
// measurement ends with glFinish, so it counts the rasterising and not only the queuing).
#include "Components/Graphics/Camera.h"
#include "Components/Graphics/PointSprite.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Window.h"
#include "Utilities/FLException.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace
{
	constexpr int kPrimitives = 500;
	constexpr int kLights = 32;
	constexpr int kPointSprites = 2000;
	constexpr int kSpriteGroups = 4;

	std::string Values(const std::string& component, const std::string& values)
	{
		return "<Component><string>" + component + "</string>" + values + "</Component>";
	}

	std::string Placed(float x, float y, float z, float size)
	{
		std::ostringstream text;
		text << "<Tuple3f>" << x << ' ' << y << ' ' << z << "</Tuple3f><Tuple3f>" << size << ' ' << size << ' ' << size
			 << "</Tuple3f><Tuple3f>0 " << x * 10 << " 0</Tuple3f>";
		return Values("Transform", text.str());
	}

	Composition* AddObject(const std::string& components)
	{
		static int made = 0;
		std::istringstream text("<Object>" + components + "</Object>");
		Serializer serializer;
		serializer.LoadFromStream(text, "frame bench object " + std::to_string(++made));
		Object object = CreateObject("Bench");
		object.object->Load(serializer, 0);
		object.object->Start();
		return object.object;
	}

	// A cloud of sorted, textured points over the scene, in four groups of their own blending, as a
	// particle system would leave it for the frame.
	void AddPointSprites()
	{
		Composition* cloud = AddObject(Placed(0, 3, 0, 1) +
			Values("PointSprite", "<Tuple3f>1 0 0.01</Tuple3f><float>16</float><float>32</float><float>2</float><float>1</float>"
				"<string>GL_SRC_ALPHA</string><string>GL_ONE</string><bool>true</bool>"
				"<string>smoke</string><string>GL_SRC_ALPHA</string><string>GL_ONE_MINUS_SRC_ALPHA</string>"));
		PointSprite* sprite = cloud->GetComponent<PointSprite>();
		const char* groups[kSpriteGroups] = {"smoke", "fire", "sparks", "dust"};
		for (int group = 0; group < kSpriteGroups; ++group)
		{
			sprite->AddTexture(groups[group], 0, "Checker.png");
			sprite->currentGroup = sprite->GetGroupId(groups[group]);
			for (int i = group; i < kPointSprites; i += kSpriteGroups)
				sprite->AddPoint(0, Tuple3f(static_cast<float>(i % 50) * 0.8f - 20.0f, 1.0f + static_cast<float>(i % 7),
					static_cast<float>(i / 50) * -0.8f + 8.0f), Tuple4f(1.0f, 0.8f, 0.5f, 0.6f), 12.0f);
		}
	}

	// The window, the renderer and the scene, made once for every benchmark of the program.
	class Scene
	{
	public:
		Scene()
		{
			const std::filesystem::path user = std::filesystem::temp_directory_path() / "tw-frame-bench";
			std::filesystem::create_directories(user);
			std::ofstream(user / "Tumblewreck.cfg")
				<< "<Config><Window><Width>1280</Width><Height>720</Height><Fullscreen>false</Fullscreen></Window></Config>";
			const std::string data = std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/Data/";
			engine = std::make_unique<Engine>(data, user.string() + "/", "Tumblewreck.cfg");
			engine->AddSystem(new Window());
			graphics = new Graphics();
			engine->AddSystem(graphics);
			AddObject(Placed(0, 6, 22, 1) + Values("Camera", "<Tuple3f>0 -0.3 -1</Tuple3f><float>0</float><float>0</float>"
				"<float>0</float><float>0</float><float>0.1</float><float>100</float><float>80</float><float>-80</float>"
				"<Tuple3f>0 0 0</Tuple3f>"));
			const char* shapes[] = {"cube", "sphere", "cylinder", "cone"};
			const char* images[] = {"Crate.png", "Marble.png", "Checker.png"};
			for (int i = 0; i < kPrimitives; ++i)
				AddObject(Placed(static_cast<float>(i % 25) * 1.6f - 19.0f, 0.5f, static_cast<float>(i / 25) * -1.6f + 8.0f, 0.9f) +
					Values("Shader", "<string>Forward</string>") +
					Values("Primitive", std::string("<string>") + shapes[i % 4] + "</string><int>8</int><int>12</int>") +
					Values("DiffuseTexture", std::string("<string>") + images[i % 3] + "</string><string>GL_RGBA8</string><Tuple2f>1 1</Tuple2f>"));
			for (int i = 0; i < kLights; ++i)
				AddObject(Placed(static_cast<float>(i % 8) * 5.0f - 17.5f, 1.5f, static_cast<float>(i / 8) * -8.0f + 6.0f, 1) +
					Values("Light", "<bool>true</bool><Tuple3f>0 -1 0</Tuple3f><string>OMNI</string><Tuple4f>0 0 0 1</Tuple4f>"
						"<Tuple4f>0.8 0.6 0.4 1</Tuple4f><Tuple4f>1 1 1 1</Tuple4f><Tuple3f>1 0.2 0.1</Tuple3f><float>0</float>"
						"<float>0</float><float>3.4e38</float><float>8</float>"));
			AddPointSprites();
		}

		std::unique_ptr<Engine> engine;
		Graphics* graphics = nullptr;
	};

	Scene& TheScene()
	{
		try
		{
			static Scene scene;
			return scene;
		}
		catch (const FLException& error)
		{
			std::fprintf(stderr, "FrameBench: %s\n", error.message.c_str());
			std::exit(1);
		}
	}

	// Camera, frustum and draw list, as the frame prepares its passes.
	void PrepareFrame(Graphics& graphics)
	{
		graphics.GetActiveCamera()->Update();
		graphics.UpdateFrustum(graphics.GetActiveCamera());
		graphics.BuildDrawList();
	}

	void BM_Frame(benchmark::State& state)
	{
		Graphics& graphics = *TheScene().graphics;
		for (auto _ : state)
		{
			graphics.Update();
			glFinish();
		}
	}
	BENCHMARK(BM_Frame)->Unit(benchmark::kMillisecond)->MinTime(3.0);

	template <void (Graphics::*Pass)()>
	void BM_Pass(benchmark::State& state)
	{
		Graphics& graphics = *TheScene().graphics;
		PrepareFrame(graphics);
		for (auto _ : state)
		{
			(graphics.*Pass)();
			glFinish();
		}
	}
	BENCHMARK(BM_Pass<&Graphics::GeometryPass>)->Name("BM_GeometryPass")->Unit(benchmark::kMillisecond)->MinTime(2.0);
	BENCHMARK(BM_Pass<&Graphics::LightPass>)->Name("BM_LightPass")->Unit(benchmark::kMillisecond)->MinTime(2.0);
	BENCHMARK(BM_Pass<&Graphics::ForwardPass>)->Name("BM_ForwardPass")->Unit(benchmark::kMillisecond)->MinTime(2.0);

	// The forward pass's point-sprite step alone: sorting the sprites and drawing their groups.
	void BM_PointSprites(benchmark::State& state)
	{
		Graphics& graphics = *TheScene().graphics;
		PrepareFrame(graphics);
		UseProgram("ParticleShader");
		glDepthMask(GL_FALSE);
		for (auto _ : state)
		{
			graphics.SortPointSprites();
			graphics.PointSprites().ForEach([](PointSprite* sprite) { sprite->Update(); });
			glFinish();
		}
		glDepthMask(GL_TRUE);
	}
	BENCHMARK(BM_PointSprites)->Unit(benchmark::kMillisecond)->MinTime(2.0);
}
