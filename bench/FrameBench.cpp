// One frame of the deferred renderer on Mesa's software rasteriser (run under xvfb-run): 500
// textured primitives and 32 omni lights at 1280x720, the whole frame and each pass alone, beside
// a reference floor: the same triangles through the same programs and render targets, one
// buffer-object draw per mesh, with nothing of the engine around them. The floor submits every
// triangle as modelled; the engine leaves out the facets seen from behind and draws flat faces as
// fans over their outlines (PrimitiveFacets), so its frame may cost less. A variant adds 2,000
// depth-sorted point sprites; a last one draws a group of 10,000 particles beside the same points
// in one buffer object drawn by one call. Every measurement ends with glFinish, so it counts the
// rasterising and not only the queuing.
#include "Components/Graphics/Camera.h"
#include "Components/Graphics/Light.h"
#include "Components/Graphics/PointSprite.h"
#include "Components/Graphics/Primitive.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Components/Graphics/Texture.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Graphics/LightScissor.h"
#include "Systems/Window.h"
#include "Utilities/FLException.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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
			std::fprintf(stderr, "FrameBench: %s\n", error.Message().c_str());
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

	// The scene as bare OpenGL: for every primitive its model-view matrix, mesh and image; for
	// every light its model-view matrix, scissor and uniforms, all found once.
	class ReferenceFrame
	{
	public:
		explicit ReferenceFrame(Graphics& graphics) : graphics(graphics)
		{
			Camera& camera = *graphics.GetActiveCamera();
			PrepareFrame(graphics);
			const Matrix4& view = camera.GetViewMatrix();
			const Tuple4<int> viewport = Graphics::FitViewport(1280, 720, graphics.GetBufferWidth(), graphics.GetBufferHeight());
			const PerspectiveView perspective{camera.GetNearClip(), camera.GetFieldOfView(), 1280.0f / 720.0f, viewport};
			glMatrixMode(GL_MODELVIEW);
			for (Composition* object : graphics.GetDrawList())
			{
				const Transform* transform = object->GetComponent<Transform>();
				if (const Primitive* primitive = object->GetComponent<Primitive>(); primitive != nullptr && object->GetComponent<Light>() == nullptr)
				{
					PushPlacement(transform->GetWorldPosition(), transform->GetWorldRotationVector(), transform->GetScale());
					meshes.push_back({ModelView(), primitive->GetMesh(),
						object->GetComponent<DiffuseTexture>()->GetEntry()->media.texture});
					glPopMatrix();
				}
			}
			graphics.Lights().ForEach([&](Light* light) {
				const Tuple3f position = light->GetWorldPosition();
				glPushMatrix();
				glTranslatef(position.x, position.y, position.z);
				glScalef(light->GetRadius(), light->GetRadius(), light->GetRadius());
				lights.push_back({ModelView(), light->GetMesh(), view * position,
					SphereScissor(view * position, light->GetVolumeRadius(), perspective), light->GetDiffuse()});
				glPopMatrix();
			});
			geometry = GetShaderProgram("GeometryPass")->media.program;
			omni = GetShaderProgram("LightPassOmni")->media.program;
			forward = GetShaderProgram("Forward")->media.program;
		}

		void Draw()
		{
			GeometryPass();
			LightPass();
			ForwardPass();
		}

		void GeometryPass()
		{
			const Camera& camera = *graphics.GetActiveCamera();
			glBindFramebuffer(GL_FRAMEBUFFER, graphics.GetFrameBuffer());
			glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, graphics.GetGeometryBuffer(), 0);
			glClearColor(0, 0, 0, 0);
			glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
			glDisable(GL_BLEND);
			glUseProgram(geometry);
			glUniform1f(UniformLocation(geometry, Uniform::ClipNear), camera.GetNearClip());
			glUniform1f(UniformLocation(geometry, Uniform::InvClipDiff), 1.0f / (camera.GetFarClip() - camera.GetNearClip()));
			DrawMeshes(false);
		}

		void LightPass()
		{
			const Camera& camera = *graphics.GetActiveCamera();
			glBindFramebuffer(GL_FRAMEBUFFER, graphics.GetFrameBuffer());
			glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, graphics.GetLightBuffer(), 0);
			glClear(GL_COLOR_BUFFER_BIT);
			glEnable(GL_BLEND);
			glBlendFunc(GL_ONE, GL_ONE);
			glDepthMask(GL_FALSE);
			glUseProgram(omni);
			glActiveTexture(GL_TEXTURE6);
			glBindTexture(GL_TEXTURE_2D, graphics.GetGeometryBuffer());
			glUniform1i(UniformLocation(omni, Uniform::Sampler6), 6);
			glUniform2f(UniformLocation(omni, Uniform::InvBufferDim), 1.0f / 1280.0f, 1.0f / 720.0f);
			glUniform1f(UniformLocation(omni, Uniform::ClipNear), camera.GetNearClip());
			glUniform1f(UniformLocation(omni, Uniform::ClipFar), camera.GetFarClip());
			// Every light of the scene has these.
			glUniform1f(UniformLocation(omni, Uniform::AttConst), 1.0f);
			glUniform1f(UniformLocation(omni, Uniform::AttLinear), 0.2f);
			glUniform1f(UniformLocation(omni, Uniform::AttQuad), 0.1f);
			glUniform1f(UniformLocation(omni, Uniform::Striations), 3.4e38f);
			glEnable(GL_SCISSOR_TEST);
			// The volumes need their positions only (without the array enabled they draw nothing).
			glEnableClientState(GL_VERTEX_ARRAY);
			for (const LightDraw& light : lights)
			{
				glScissor(light.scissor.x, light.scissor.y, light.scissor.z, light.scissor.w);
				glUniform4f(UniformLocation(omni, Uniform::Color), light.colour.x, light.colour.y, light.colour.z, light.colour.w);
				glUniform3f(UniformLocation(omni, Uniform::LightPos), light.viewPosition.x, light.viewPosition.y, light.viewPosition.z);
				glLoadMatrixf(light.modelView.data());
				DrawMesh(*light.mesh);
			}
			glDisableClientState(GL_VERTEX_ARRAY);
			UnbindBuffers();
			glDisable(GL_SCISSOR_TEST);
			glDepthMask(GL_TRUE);
			glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
		}

		void ForwardPass()
		{
			glBindFramebuffer(GL_FRAMEBUFFER, 0);
			glClearColor(0, 0, 0, 1);
			glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
			glUseProgram(forward);
			glActiveTexture(GL_TEXTURE7);
			glBindTexture(GL_TEXTURE_2D, graphics.GetLightBuffer());
			glUniform1i(UniformLocation(forward, Uniform::Sampler7), 7);
			glUniform2f(UniformLocation(forward, Uniform::InvBufferDim), 1.0f / 1280.0f, 1.0f / 720.0f);
			glActiveTexture(GL_TEXTURE0);
			glUniform1i(UniformLocation(forward, Uniform::Sampler0), 0);
			DrawMeshes(true);
			SDL_GL_SwapBuffers();
			// The engine's memory of bindings is left behind by this bare drawing.
			glUseProgram(CurrentProgram);
			BoundTextures = TextureBindMemory{};
		}

	private:
		struct MeshDraw
		{
			std::vector<float> modelView;
			const PrimitiveEntry* mesh;
			unsigned texture;
		};
		struct LightDraw
		{
			std::vector<float> modelView;
			const PrimitiveEntry* mesh;
			Tuple3f viewPosition;
			Tuple4<int> scissor;
			Tuple4f colour;
		};

		static std::vector<float> ModelView()
		{
			std::vector<float> matrix(16);
			glGetFloatv(GL_MODELVIEW_MATRIX, matrix.data());
			return matrix;
		}

		static void DrawMesh(const PrimitiveEntry& entry)
		{
			const PrimitiveData& mesh = entry.media;
			glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
			glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
			glVertexPointer(3, GL_FLOAT, sizeof(PrimitiveVertex), reinterpret_cast<const void*>(offsetof(PrimitiveVertex, position)));
			glTexCoordPointer(2, GL_FLOAT, sizeof(PrimitiveVertex), reinterpret_cast<const void*>(offsetof(PrimitiveVertex, texCoord)));
			glNormalPointer(GL_FLOAT, sizeof(PrimitiveVertex), reinterpret_cast<const void*>(offsetof(PrimitiveVertex, normal)));
			glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indices.size()), GL_UNSIGNED_INT, nullptr);
		}

		void DrawMeshes(bool textured)
		{
			glEnableClientState(GL_VERTEX_ARRAY);
			glEnableClientState(GL_TEXTURE_COORD_ARRAY);
			glEnableClientState(GL_NORMAL_ARRAY);
			for (const MeshDraw& draw : meshes)
			{
				if (textured)
					glBindTexture(GL_TEXTURE_2D, draw.texture);
				glLoadMatrixf(draw.modelView.data());
				DrawMesh(*draw.mesh);
			}
			glDisableClientState(GL_VERTEX_ARRAY);
			glDisableClientState(GL_TEXTURE_COORD_ARRAY);
			glDisableClientState(GL_NORMAL_ARRAY);
			UnbindBuffers();
		}

		static void UnbindBuffers()
		{
			glBindBuffer(GL_ARRAY_BUFFER, 0);
			glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
		}

		Graphics& graphics;
		std::vector<MeshDraw> meshes;
		std::vector<LightDraw> lights;
		unsigned geometry = 0;
		unsigned omni = 0;
		unsigned forward = 0;
	};

	void BM_ReferenceFloor(benchmark::State& state)
	{
		Graphics& graphics = *TheScene().graphics;
		// One engine frame first: it uploads every mesh the floor draws from.
		graphics.Update();
		ReferenceFrame reference(graphics);
		for (auto _ : state)
		{
			reference.Draw();
			glFinish();
		}
	}
	BENCHMARK(BM_ReferenceFloor)->Unit(benchmark::kMillisecond)->MinTime(3.0);

	// Wall, main-thread CPU and whole-process CPU (the rasteriser threads too) milliseconds of each
	// timed frame.
	class FrameTimes
	{
	public:
		template <class DrawFrame>
		void Time(DrawFrame&& draw)
		{
			const auto wallStart = std::chrono::steady_clock::now();
			const double cpuStart = CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
			const double processStart = CpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID);
			draw();
			glFinish();
			cpu.push_back(CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart);
			process.push_back(CpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID) - processStart);
			wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count());
		}

		double MedianWall() { return Median(wall); }
		double MedianCpu() { return Median(cpu); }
		double MedianProcessCpu() { return Median(process); }

	private:
		static double CpuMilliseconds(clockid_t clock)
		{
			timespec now{};
			clock_gettime(clock, &now);
			return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
		}

		static double Median(std::vector<double>& values)
		{
			if (values.empty())
				return 0.0;
			std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
			return values[values.size() / 2];
		}

		std::vector<double> wall;
		std::vector<double> cpu;
		std::vector<double> process;
	};

	// Draws the engine's way and the floor's in turn, each after prepare (untimed), so that both
	// meet the same load: on a shared machine the rasteriser threads' share moves either by a fifth
	// from one second to the next, and two benchmarks run seconds apart compare the load as much as
	// the drawing. Medians of each, in milliseconds; the ratio is the engine's wall time over the
	// floor's.
	void TimeBesideFloor(benchmark::State& state, const std::function<void()>& prepare, const std::function<void()>& engineDraw,
		const std::function<void()>& floorDraw)
	{
		FrameTimes engine;
		FrameTimes floor;
		const auto timeEngine = [&] {
			prepare();
			engine.Time(engineDraw);
		};
		bool engineFirst = true;
		for (auto _ : state)
		{
			if (engineFirst)
				timeEngine();
			prepare();
			floor.Time(floorDraw);
			if (!engineFirst)
				timeEngine();
			engineFirst = !engineFirst;
		}
		const double engineWall = engine.MedianWall();
		const double floorWall = floor.MedianWall();
		state.counters["engine_ms"] = engineWall;
		state.counters["floor_ms"] = floorWall;
		state.counters["ratio"] = floorWall > 0.0 ? engineWall / floorWall : 0.0;
		state.counters["engine_cpu_ms"] = engine.MedianCpu();
		state.counters["floor_cpu_ms"] = floor.MedianCpu();
		state.counters["engine_all_cpu_ms"] = engine.MedianProcessCpu();
		state.counters["floor_all_cpu_ms"] = floor.MedianProcessCpu();
	}

	void BM_FrameBesideFloor(benchmark::State& state)
	{
		Graphics& graphics = *TheScene().graphics;
		graphics.Update();
		ReferenceFrame reference(graphics);
		TimeBesideFloor(state, [] {}, [&] { graphics.Update(); }, [&] { reference.Draw(); });
	}
	BENCHMARK(BM_FrameBesideFloor)->Unit(benchmark::kMillisecond)->MinTime(6.0);

	// Each pass of the engine's frame beside the floor's same pass, each ended by glFinish: where
	// the frames differ. Wall, main-thread CPU and whole-process CPU medians, in milliseconds.
	void BM_PassesBesideFloor(benchmark::State& state)
	{
		Graphics& graphics = *TheScene().graphics;
		graphics.Update();
		ReferenceFrame reference(graphics);
		struct PassPair
		{
			const char* name;
			std::function<void()> engine;
			std::function<void()> floor;
			FrameTimes engineTimes;
			FrameTimes floorTimes;
		};
		PassPair passes[] = {
			{"geometry", [&] { PrepareFrame(graphics); graphics.GeometryPass(); }, [&] { reference.GeometryPass(); }, {}, {}},
			{"light", [&] { graphics.LightPass(); }, [&] { reference.LightPass(); }, {}, {}},
			{"forward",
				[&] {
					glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
					graphics.ForwardPass();
					SDL_GL_SwapBuffers();
				},
				[&] { reference.ForwardPass(); }, {}, {}},
		};
		for (auto _ : state)
		{
			for (PassPair& pass : passes)
				pass.engineTimes.Time(pass.engine);
			for (PassPair& pass : passes)
				pass.floorTimes.Time(pass.floor);
		}
		for (PassPair& pass : passes)
		{
			const std::string name = pass.name;
			state.counters[name + "_ms"] = pass.engineTimes.MedianWall();
			state.counters[name + "_floor_ms"] = pass.floorTimes.MedianWall();
			state.counters[name + "_cpu_ms"] = pass.engineTimes.MedianCpu();
			state.counters[name + "_floor_cpu_ms"] = pass.floorTimes.MedianCpu();
			state.counters[name + "_all_cpu_ms"] = pass.engineTimes.MedianProcessCpu();
			state.counters[name + "_floor_all_cpu_ms"] = pass.floorTimes.MedianProcessCpu();
		}
	}
	BENCHMARK(BM_PassesBesideFloor)->Unit(benchmark::kMillisecond)->MinTime(6.0);

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

	// The scene with the sprite cloud added (it stays for the benchmarks after this one).
	Graphics& SceneWithSprites()
	{
		static const bool added = [] {
			AddPointSprites();
			return true;
		}();
		(void)added;
		return *TheScene().graphics;
	}

	void BM_FrameWithSprites(benchmark::State& state)
	{
		Graphics& graphics = SceneWithSprites();
		for (auto _ : state)
		{
			graphics.Update();
			glFinish();
		}
	}
	BENCHMARK(BM_FrameWithSprites)->Unit(benchmark::kMillisecond)->MinTime(3.0);

	// The forward pass's point-sprite step alone: sorting the sprites and drawing their groups.
	void BM_PointSprites(benchmark::State& state)
	{
		Graphics& graphics = SceneWithSprites();
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

namespace
{
	constexpr int kParticles = 10000;

	// A group of kParticles sparks as the particle code leaves it for the frame: one group, one
	// texture, sizes of 2 to 8 pixels, spread over the view.
	PointSprite& AddSparkGroup()
	{
		Composition* emitter = AddObject(Placed(0, 3, 0, 1) +
			Values("PointSprite", "<Tuple3f>1 0 0</Tuple3f><float>8</float><float>32</float><float>1</float><float>1</float>"
				"<string>GL_SRC_ALPHA</string><string>GL_ONE</string>"));
		PointSprite& sprite = *emitter->GetComponent<PointSprite>();
		sprite.AddTexture("sparks", 0, "Checker.png");
		sprite.currentGroup = sprite.GetGroupId("sparks");
		for (int i = 0; i < kParticles; ++i)
		{
			const float along = static_cast<float>(i % 100);
			const float across = static_cast<float>(i / 100);
			sprite.AddPoint(0, Tuple3f(along * 0.4f - 20.0f, 0.5f + static_cast<float>(i % 13) * 0.6f, across * -0.25f + 8.0f),
				Tuple4f(1.0f, 0.6f + 0.004f * along, 0.3f, 0.5f), 2.0f + static_cast<float>(i % 7));
		}
		return sprite;
	}

	// The floor of a particle group's drawing: its points copied into one buffer object (position,
	// size in the normal, colour side by side), as they would be every frame, and drawn by one call
	// with the same program, point settings, blending and texture.
	class ParticleFloor
	{
	public:
		explicit ParticleFloor(const PointSprite& sprite)
		{
			glGenBuffers(1, &buffer);
			const unsigned key = PointSprite::TextureKey(0, 0);
			texture = sprite.FindTexture(key)->texture->media.texture;
			group = sprite.FindSpriteGroup(PointSprite::GroupID{0, key, false});
		}
		~ParticleFloor() { glDeleteBuffers(1, &buffer); }
		ParticleFloor(const ParticleFloor&) = delete;
		ParticleFloor& operator=(const ParticleFloor&) = delete;

		void Draw()
		{
			points.resize(group->positions.size());
			for (std::size_t i = 0; i < points.size(); ++i)
				points[i] = {group->positions[i], group->sizes[i], group->colors[i]};
			glBindBuffer(GL_ARRAY_BUFFER, buffer);
			glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(points.size() * sizeof(Point)), points.data(), GL_STREAM_DRAW);
			glPointSize(8.0f);
			const GLfloat attenuation[3] = {1.0f, 0.0f, 0.0f};
			glPointParameterfv(GL_POINT_DISTANCE_ATTENUATION, attenuation);
			glPointParameterf(GL_POINT_FADE_THRESHOLD_SIZE, 1.0f);
			glPointParameterf(GL_POINT_SIZE_MIN, 1.0f);
			glPointParameterf(GL_POINT_SIZE_MAX, 32.0f);
			glTexEnvi(GL_POINT_SPRITE, GL_COORD_REPLACE, GL_TRUE);
			glEnable(GL_POINT_SPRITE);
			glEnable(GL_VERTEX_PROGRAM_POINT_SIZE);
			glBlendFunc(GL_SRC_ALPHA, GL_ONE);
			glActiveTexture(GL_TEXTURE0);
			glBindTexture(GL_TEXTURE_2D, texture);
			glEnableClientState(GL_VERTEX_ARRAY);
			glEnableClientState(GL_NORMAL_ARRAY);
			glEnableClientState(GL_COLOR_ARRAY);
			glVertexPointer(3, GL_FLOAT, sizeof(Point), reinterpret_cast<const void*>(offsetof(Point, position)));
			glNormalPointer(GL_FLOAT, sizeof(Point), reinterpret_cast<const void*>(offsetof(Point, size)));
			glColorPointer(4, GL_FLOAT, sizeof(Point), reinterpret_cast<const void*>(offsetof(Point, colour)));
			glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(points.size()));
			glDisableClientState(GL_COLOR_ARRAY);
			glDisableClientState(GL_NORMAL_ARRAY);
			glDisableClientState(GL_VERTEX_ARRAY);
			glBindBuffer(GL_ARRAY_BUFFER, 0);
			glDisable(GL_VERTEX_PROGRAM_POINT_SIZE);
			glDisable(GL_POINT_SPRITE);
			// The engine's memory of bindings is left behind by this bare drawing.
			BoundTextures = TextureBindMemory{};
		}

	private:
		struct Point
		{
			Tuple3f position;
			Tuple3f size;
			Tuple4f colour;
		};

		const PointSprite::SpriteGroup* group = nullptr;
		unsigned buffer = 0;
		unsigned texture = 0;
		std::vector<Point> points;
	};

	// The colour buffer after drawing onto a cleared one.
	std::vector<unsigned char> PixelsOf(const std::function<void()>& draw)
	{
		std::vector<unsigned char> pixels(1280 * 720 * 4);
		glClear(GL_COLOR_BUFFER_BIT);
		draw();
		glReadPixels(0, 0, 1280, 720, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
		return pixels;
	}

	// The engine's drawing of the spark group beside the floor's, each onto a cleared colour buffer.
	// The two pictures are compared first: a floor that drew something else would prove nothing.
	void BM_ParticlesBesideFloor(benchmark::State& state)
	{
		Graphics& graphics = *TheScene().graphics;
		PointSprite& sprite = AddSparkGroup();
		ParticleFloor floor(sprite);
		PrepareFrame(graphics);
		glBindFramebuffer(GL_FRAMEBUFFER, 0);
		UseProgram("ParticleShader");
		glEnable(GL_BLEND);
		// Nothing else is drawn: without the depth test no depth buffer needs clearing.
		glDisable(GL_DEPTH_TEST);
		const std::vector<unsigned char> engineImage = PixelsOf([&] { sprite.Update(); });
		const std::vector<unsigned char> floorImage = PixelsOf([&] { floor.Draw(); });
		std::size_t differing = 0;
		std::size_t lit = 0;
		for (std::size_t at = 0; at < engineImage.size(); ++at)
		{
			differing += engineImage[at] != floorImage[at];
			// Alpha stays as cleared.
			lit += at % 4 != 3 && engineImage[at] != 0;
		}
		TimeBesideFloor(state, [] { glClear(GL_COLOR_BUFFER_BIT); }, [&] { sprite.Update(); }, [&] { floor.Draw(); });
		glEnable(GL_DEPTH_TEST);
		state.counters["lit_bytes"] = static_cast<double>(lit);
		state.counters["differing_bytes"] = static_cast<double>(differing);
	}
	BENCHMARK(BM_ParticlesBesideFloor)->Unit(benchmark::kMillisecond)->MinTime(3.0);
}
