// The level the navigation benchmarks share: the game's default navigation settings and a
// 128 x 128-unit level of rolling ground with boxes resting on it.
#pragma once

#include "Systems/Logic/NavTestConfig.h"
#include "Systems/Logic/NavMeshBuild.h"
#include "Utilities/Random.h"

#include <cmath>

namespace bench
{
	inline rcConfig DefaultConfig()
	{
		return test::NavTestConfig();
	}

	// Rolling ground of 4 x 4-unit quads and boxes of 1 to 3 units resting on it.
	inline LevelGeometry Level(float size, int boxes)
	{
		std::vector<Tuple3f> vertices;
		std::vector<IndexTriple> triangles;
		const auto ground = [](float x, float z) { return 0.6f * std::sin(x * 0.15f) * std::cos(z * 0.11f); };
		const int quads = static_cast<int>(size / 4);
		for (int z = 0; z <= quads; ++z)
			for (int x = 0; x <= quads; ++x)
				vertices.emplace_back(static_cast<float>(x) * 4, ground(static_cast<float>(x) * 4, static_cast<float>(z) * 4), static_cast<float>(z) * 4);
		const auto corner = [quads](int x, int z) { return static_cast<unsigned>(z * (quads + 1) + x); };
		for (int z = 0; z < quads; ++z)
			for (int x = 0; x < quads; ++x)
			{
				triangles.push_back({corner(x, z), corner(x, z + 1), corner(x + 1, z + 1)});
				triangles.push_back({corner(x, z), corner(x + 1, z + 1), corner(x + 1, z)});
			}
		tw::SeedRand(3);
		for (int box = 0; box < boxes; ++box)
		{
			const float half = 0.5f + static_cast<float>(tw::Rand() % 100) / 100.0f;
			const float cx = 4 + static_cast<float>(tw::Rand() % static_cast<int>(size - 8));
			const float cz = 4 + static_cast<float>(tw::Rand() % static_cast<int>(size - 8));
			const float bottom = ground(cx, cz) - 0.5f;
			const auto first = static_cast<unsigned>(vertices.size());
			for (int k = 0; k < 8; ++k)
				vertices.emplace_back(cx + ((k & 1) ? half : -half), bottom + ((k & 2) ? 2 * half + 0.5f : 0.0f), cz + ((k & 4) ? half : -half));
			const unsigned faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
			for (const auto& face : faces)
			{
				triangles.push_back({first + face[0], first + face[1], first + face[2]});
				triangles.push_back({first + face[0], first + face[2], first + face[3]});
			}
		}
		LevelGeometry geometry;
		geometry.Append(vertices, triangles, "BenchLevel");
		return geometry;
	}
}
