#include "Components/Logic/GolemPlaces.h"

#include "Components/Graphics/GolemSampleModel.h"
#include "Components/Graphics/ModelFile.h"
#include "Components/Logic/GolemPlacesReference.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <iterator>
#include <cmath>
#include <limits>
#include <map>

namespace
{
	using Places = GolemPlaces::Places;

	struct Vertex
	{
		Tuple3f position;
		std::uint32_t bone;
	};

	Model::ModelData Mesh(const std::vector<Vertex>& vertices, unsigned boneCount, unsigned format = 2, unsigned stride = 16)
	{
		Model::ModelData model;
		model.mesh.formatId = format;
		model.mesh.stride = stride;
		for (const Vertex& vertex : vertices)
		{
			for (const float value : {vertex.position.x, vertex.position.y, vertex.position.z})
				for (int shift = 0; shift < 32; shift += 8)
					model.mesh.vertices.push_back(static_cast<std::uint8_t>(std::bit_cast<std::uint32_t>(value) >> shift));
			for (int shift = 0; shift < 32; shift += 8)
				model.mesh.vertices.push_back(static_cast<std::uint8_t>(vertex.bone >> shift));
			model.mesh.vertices.resize(model.mesh.vertices.size() + (stride - 16));
		}
		for (unsigned bone = 0; bone < boneCount; ++bone)
		{
			model.skeleton.bones.push_back(std::make_unique<Model::Bone>());
			model.skeleton.bones.back()->name = "b" + std::to_string(bone);
		}
		return model;
	}

	std::vector<Tuple3f> Positions(const Places& places)
	{
		std::vector<Tuple3f> positions;
		for (const auto& place : places)
			positions.push_back(place.position);
		return positions;
	}

	TEST(GolemPlaces, PruningKeepsTheFirstPlaceWalkedOfEachCloseGroup)
	{
		const Tuple3f h(0.15f, 0.15f, 0.15f);
		const Tuple3f one(1, 1, 1);
		const Tuple3f a(0, 0, 0), far(5, 0, 0), farther(9, 0, 0);
		struct Case
		{
			const char* what;
			Places places;
			Tuple3f scale;
			std::vector<Tuple3f> kept;
		};
		const Case cases[] = {
			{"within on every axis", {{a, "b1"}, {Tuple3f(0.1f, -0.1f, 0.1f), "b1"}}, one, {a}},
			{"bounds count as inside", {{a, "b1"}, {Tuple3f(0.15f, -0.15f, 0.15f), "b2"}}, one, {a}},
			{"beyond on one axis", {{a, "b1"}, {Tuple3f(0.1f, 0.2f, 0.0f), "b1"}}, one, {a, Tuple3f(0.1f, 0.2f, 0.0f)}},
			{"scaled apart", {{a, "b1"}, {Tuple3f(0.1f, 0, 0), "b1"}}, Tuple3f(2, 1, 1), {a, Tuple3f(0.1f, 0, 0)}},
			{"head places never stay", {{a, "b0"}, {far, "b1"}, {Tuple3f(5.1f, 0, 0), "b0"}}, one, {far}},
			{"the moved place is examined next", {{a, "b1"}, {Tuple3f(0.1f, 0, 0), "b1"}, {Tuple3f(0.05f, 0, 0), "b1"}}, one, {a}},
			{"far out, where cells are clamped", {{Tuple3f(3e13f, -3e13f, 0), "b1"}, {Tuple3f(3e13f, -3e13f, 0), "b2"}}, one,
				{Tuple3f(3e13f, -3e13f, 0)}},
			{"erasing moves the last place", {{a, "b1"}, {Tuple3f(0.1f, 0, 0), "b1"}, {far, "b1"}, {farther, "b1"}}, one,
				{a, farther, far}},
		};
		for (const Case& c : cases)
		{
			Places places = c.places;
			GolemPlaces::Prune(places, "b0", h, c.scale);
			EXPECT_EQ(Positions(places), c.kept) << c.what;
		}
	}

	TEST(GolemPlaces, GridWalkGivesTheListWalksPlacesOnRandomGolems)
	{
		tw::SeedRand(7);
		for (int golem = 0; golem < 60; ++golem)
		{
			const std::size_t count = 1 + static_cast<std::size_t>(tw::Rand()) % 300;
			Places places = test::RandomPlaces(count, 1 + tw::Rand() % 5, RandomIn(0.5f, 8.0f));
			// Snapped to a lattice now and then, so that places fall exactly on box bounds.
			if (golem % 3 == 0)
				for (auto& place : places)
					place.position = Tuple3f(std::round(place.position.x * 4) / 4, std::round(place.position.y * 4) / 4, 0.0f);
			const Tuple3f h(RandomIn(0.0f, 0.6f), RandomIn(0.0f, 0.6f), golem % 3 == 0 ? 0.25f : RandomIn(0.0f, 0.6f));
			const Tuple3f scale(RandomIn(0.5f, 2.0f), 1.0f, RandomIn(0.5f, 2.0f));
			Places expected = places;
			test::ReferencePrune(expected, "b0", h, scale);
			GolemPlaces::Prune(places, "b0", h, scale);
			ASSERT_EQ(Positions(places), Positions(expected)) << "golem " << golem << " of " << count << " places";
		}
		// Infinite boxes about places scaled to infinity have NaN bounds.
		const float infinity = std::numeric_limits<float>::infinity();
		Places infinite = {{Tuple3f(1e38f, 0, 0), "b1"}, {Tuple3f(0, 0, 0), "b1"}, {Tuple3f(-1e38f, 5, 0), "b2"}};
		Places expected = infinite;
		test::ReferencePrune(expected, "b0", Tuple3f(infinity, infinity, infinity), Tuple3f(10, 1, 1));
		GolemPlaces::Prune(infinite, "b0", Tuple3f(infinity, infinity, infinity), Tuple3f(10, 1, 1));
		EXPECT_EQ(Positions(infinite), Positions(expected));
	}

	TEST(GolemPlaces, ReadingSkipsRecordsItCannotPlaceAndNamesTheModel)
	{
		const float nan = std::numeric_limits<float>::quiet_NaN();
		struct Case
		{
			const char* what;
			Model::ModelData model;
			std::vector<std::string> bones;
			const char* diagnostic;
		};
		Case cases[] = {
			{"bone index read as 32 bits", Mesh({{Tuple3f(1, 2, 3), 1}, {Tuple3f(0, 0, 0), 257}}, 2), {"b1"}, "past its 2 bones"},
			{"non-finite position", Mesh({{Tuple3f(nan, 0, 0), 0}, {Tuple3f(0, 1, 0), 0}}, 1), {"b0"}, "non-finite"},
			{"another vertex format", Mesh({{Tuple3f(0, 0, 0), 0}}, 1, 1, 32), {}, "not format 2"},
		};
		for (Case& c : cases)
		{
			tw::Diagnostics::Flush();
			Places places;
			const std::string said = StderrOf([&] { places = GolemPlaces::Read(c.model, "Rock.model"); });
			std::vector<std::string> bones;
			for (const auto& place : places)
				bones.push_back(place.bone);
			EXPECT_EQ(bones, c.bones) << c.what;
			EXPECT_NE(said.find(c.diagnostic), std::string::npos) << c.what << ": " << said;
			EXPECT_NE(said.find("Rock.model"), std::string::npos) << c.what;
		}
		EXPECT_EQ(GolemPlaces::Read(Mesh({{Tuple3f(1, 2, 3), 1}}, 2), "Rock.model")[0].position, Tuple3f(1, 2, 3));
	}

	TEST(GolemPlaces, ShippedGolemIsTheWritersOutputAndHasPlacesOnEveryBoneButItsHead)
	{
		const std::string folder = std::string(TW_TEST_DATA_DIR) + "../../Data/";
		const auto read = [](const std::string& path) {
			std::ifstream file(path, std::ios::binary);
			return test::ModelFileWriter::Bytes(std::istreambuf_iterator<char>(file), {});
		};
		const test::ModelFileWriter::Bytes written = test::GolemModelBytes();
		EXPECT_EQ(read(folder + "Models/" + test::kGolemModelFile), written) << "regenerate it with MakeSampleModels Data";
		EXPECT_EQ(read(folder + "PhysicsModels/" + test::kGolemRagdollFile), test::GolemRagdollBytes());
		std::string problem;
		const Model::ModelData model = ModelFile::Read(written, problem);
		ASSERT_EQ(problem, "");
		Places places = GolemPlaces::Read(model, test::kGolemModelFile);
		GolemPlaces::Prune(places, test::kGolemHeadBone, Tuple3f(0.15f, 0.15f, 0.15f), Tuple3f(1, 1, 1));
		std::map<std::string, int> perBone;
		for (const auto& place : places)
			++perBone[place.bone];
		EXPECT_EQ(perBone, (std::map<std::string, int>{{"ee_hand_L", 3}, {"ee_hand_R", 3}, {"lowerArm_L", 3}, {"lowerArm_R", 3},
			{"spine", 3}}));
	}
}
