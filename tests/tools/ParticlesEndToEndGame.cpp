// The game's start-up with one more system, "ParticleProbe", which reads back the frames the game
// shows and counts the pixels of the main menu's lamp sparks: pixels whose colour lies within
// 24/255 per channel of the sparks' colour field, inside the lamp's screen rectangle (its position
// projected through the active camera, ±40 pixels). It prints the counts 60 and 70 frames after
// the level loaded, how many counted pixels changed between the two, then switches the sparks off
// and clears them and prints the count two frames later, and ends the game. At frame 60 it also
// prints how many pixels of the sparks' colour lie at least 40 pixels above the screen rectangle
// of the sphere they spawn in (the rising sparks).
#include "Components/Graphics/Camera.h"
#include "Engine.h"
#include "Message.h"
#include "Object.h"
#include "Startup.h"
#include "System.h"
#include "Systems/Graphics/Graphics.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <iostream>
#include <set>
#include <vector>

namespace
{
	struct __ParticleProbeName
	{
		static constexpr const char* name = "ParticleProbe";
	};

	// The sparks' colour field (the level's "Spawn_Color_Field"), widened by the tolerance.
	constexpr float kLow[3] = {0.35f, 0.6f, 1.0f};
	constexpr float kHigh[3] = {0.5f, 0.75f, 1.0f};
	constexpr float kTolerance = 24.0f / 255.0f;
	const double kLamp[3] = {1.2, 1.4, 1.8};
	// The radius of the sphere about the lamp the sparks spawn in.
	constexpr double kSpawnRadius = 0.35;
	constexpr int kHalfBox = 40;

	// Screen pixels [left, right) x [bottom, top), rows counted from the bottom as OpenGL reads them.
	struct Box
	{
		int left;
		int right;
		int bottom;
		int top;
	};

	class ParticleProbe : public SystemBase<ParticleProbe, __ParticleProbeName>
	{
	public:
		void LoadConfig(Config&) override {}
		void Initialize() override { RegisterHandler("LevelLoaded", &ParticleProbe::OnLevelLoaded); }
		void Update() override
		{
			if (!levelLoaded)
				return;
			++frames;
			if (frames == 60)
			{
				first = CountedPixels(Around);
				std::cerr << "sparks60 " << first.size() << std::endl;
				std::cerr << "risen60 " << CountedPixels(Above).size() << std::endl;
			}
			else if (frames == 70)
			{
				const std::set<int> second = CountedPixels(Around);
				std::vector<int> changed;
				std::set_symmetric_difference(first.begin(), first.end(), second.begin(), second.end(), std::back_inserter(changed));
				std::cerr << "sparks70 " << second.size() << " changed " << changed.size() << std::endl;
				SendMessageToNamed("LampSparks", Message("ParticleActivate").PushString("Twinkle").PushBool(false));
				SendMessageToNamed("LampSparks", Message("ParticleClear").PushString("Twinkle"));
			}
			else if (frames == 72)
			{
				std::cerr << "cleared " << CountedPixels(Around).size() << std::endl;
				Engine::SendMessage(Message("Shutdown"));
			}
		}

	private:
		void OnLevelLoaded(Message::Reader) { levelLoaded = true; }

		// The lamp's point ±40 pixels.
		static Box Around(const GLdouble* model, const GLdouble* projection, const GLint* viewport)
		{
			GLdouble x = 0;
			GLdouble y = 0;
			GLdouble z = 0;
			gluProject(kLamp[0], kLamp[1], kLamp[2], model, projection, viewport, &x, &y, &z);
			return {static_cast<int>(x) - kHalfBox, static_cast<int>(x) + kHalfBox, static_cast<int>(y) - kHalfBox, static_cast<int>(y) + kHalfBox};
		}

		// From 40 pixels above the spawn sphere's screen rectangle (its bounding cube's corners
		// projected) to the top of the screen, as wide as the rectangle ±40 pixels.
		static Box Above(const GLdouble* model, const GLdouble* projection, const GLint* viewport)
		{
			Box sphere{viewport[2], 0, viewport[3], 0};
			for (int corner = 0; corner < 8; ++corner)
			{
				GLdouble x = 0;
				GLdouble y = 0;
				GLdouble z = 0;
				gluProject(kLamp[0] + ((corner & 1) != 0 ? kSpawnRadius : -kSpawnRadius), kLamp[1] + ((corner & 2) != 0 ? kSpawnRadius : -kSpawnRadius),
					kLamp[2] + ((corner & 4) != 0 ? kSpawnRadius : -kSpawnRadius), model, projection, viewport, &x, &y, &z);
				sphere = {std::min(sphere.left, static_cast<int>(x)), std::max(sphere.right, static_cast<int>(x)), std::min(sphere.bottom, static_cast<int>(y)),
					std::max(sphere.top, static_cast<int>(y))};
			}
			return {sphere.left - kHalfBox, sphere.right + kHalfBox, sphere.top + kHalfBox, viewport[3]};
		}

		// Indices of the pixels of the sparks' colour in the box of the frame on screen.
		static std::set<int> CountedPixels(Box (*region)(const GLdouble*, const GLdouble*, const GLint*))
		{
			Graphics* graphics = Graphics::Find();
			Camera* camera = graphics != nullptr ? graphics->GetActiveCamera() : nullptr;
			if (camera == nullptr)
				return {};
			const int width = static_cast<int>(graphics->GetScreenWidth());
			const int height = static_cast<int>(graphics->GetScreenHeight());
			// The camera loads its projection and view; the lamp is projected through them.
			camera->Update();
			GLdouble model[16];
			GLdouble projection[16];
			const GLint viewport[4] = {0, 0, width, height};
			glGetDoublev(GL_MODELVIEW_MATRIX, model);
			glGetDoublev(GL_PROJECTION_MATRIX, projection);
			const Box box = region(model, projection, viewport);
			std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
			glBindFramebuffer(GL_FRAMEBUFFER, 0);
			// After the swap Mesa's software rasteriser still holds the frame in the back buffer; the
			// front buffer of an Xvfb window reads back black.
			glReadBuffer(GL_BACK);
			glPixelStorei(GL_PACK_ALIGNMENT, 1);
			glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
			std::set<int> counted;
			for (int row = std::max(0, box.bottom); row < std::min(height, box.top); ++row)
				for (int column = std::max(0, box.left); column < std::min(width, box.right); ++column)
				{
					const unsigned char* pixel = &pixels[(static_cast<std::size_t>(row) * width + column) * 4];
					bool inside = true;
					for (int channel = 0; channel < 3; ++channel)
					{
						const float value = pixel[channel] / 255.0f;
						inside = inside && value >= kLow[channel] - kTolerance && value <= kHigh[channel] + kTolerance;
					}
					if (inside)
						counted.insert(row * width + column);
				}
			return counted;
		}

		bool levelLoaded = false;
		unsigned frames = 0;
		std::set<int> first;
	};
}

int main(int argc, char** argv)
{
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, nullptr, [](Engine& engine) { engine.AddSystem(new ParticleProbe()); });
}
