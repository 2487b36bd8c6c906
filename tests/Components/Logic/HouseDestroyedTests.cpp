#include "Components/Logic/HouseDestroyed.h"

#include "Components/Logic/GameplayWorld.h"
#include "ObjectGroup.h"

namespace
{
	using namespace test;

	Object AddHouse(ObjectGroup* group)
	{
		const Object house = CreateObject("House");
		GameplayWorld::AddLoaded(house, HouseDestroyed::TypeId(), "<string>Death</string><unsigned>7</unsigned>");
		if (group != nullptr)
			house.object->SetGroup(group->GetId());
		house.object->Start();
		return house;
	}

	TEST(HouseDestroyed, TheFirstDestroyMessageAloneCountsAndReports)
	{
		// Only the house's own group hears the group's messages; the reports go out either way.
		for (const bool grouped : {true, false})
		{
			GameplayWorld world;
			ObjectGroup* group = ObjectGroup::Create();
			const Object piece = CreateObject("Piece");
			piece.object->SetGroup(grouped ? group->GetId() : ObjectGroup::Create()->GetId());
			MessageLog& pieceLog = Listen(piece, {"DestroySpawner", "ParticleBurst", "Explode"});
			const Object house = AddHouse(group);
			MessageLog& houseLog = Listen(house, {"HouseDestroyed", "CastleDestroyed"});
			MessageLog& playerLog = Listen(CreateObject("Player"), {"HouseDestroyed"});
			MessageLog& hudLog = Listen(CreateObject("PlayerHud"), {"Death"});
			house.SendMessage(Message("Death"));
			house.SendMessage(Message("Death"));
			using Log = std::vector<std::string>;
			EXPECT_EQ(pieceLog.entries, (grouped ? Log{"DestroySpawner", "ParticleBurst Main 45", "Explode"} : Log{}));
			EXPECT_EQ(houseLog.entries, (Log{"HouseDestroyed", "CastleDestroyed"}));
			EXPECT_EQ(playerLog.entries, Log{"HouseDestroyed"});
			EXPECT_EQ(hudLog.entries, Log{"Death"});
			EXPECT_EQ(HousesDestroyed(), 1);
			EXPECT_EQ(TotalHouses(), 1);
		}
	}

	TEST(HouseDestroyed, RemovingAHouseTakesBackOnlyWhatItAdded)
	{
		struct Case
		{
			int removed, total, destroyed;
		};
		// Houses 0 and 1 are brought down, house 2 stands.
		for (const Case c : {Case{2, 2, 2}, Case{0, 2, 1}})
		{
			GameplayWorld world;
			std::vector<Object> houses;
			for (int index = 0; index < 3; ++index)
				houses.push_back(AddHouse(nullptr));
			EXPECT_EQ(TotalHouses(), 3);
			houses[0].SendMessage(Message("Death"));
			houses[1].SendMessage(Message("Death"));
			EXPECT_EQ(HousesDestroyed(), 2);
			houses[c.removed].object->Destroy();
			world.Frame();
			EXPECT_EQ(TotalHouses(), c.total);
			EXPECT_EQ(HousesDestroyed(), c.destroyed);
			ASSERT_TRUE(world.LoadLevel(world.WriteLevel("Empty.xml", "<Level><string>Empty.xml</string><string></string></Level>")));
			EXPECT_EQ(TotalHouses(), 0);
			EXPECT_EQ(HousesDestroyed(), 0);
		}
	}

	TEST(HouseDestroyed, SavesItsMessageAndParticleCountAndDefaultsTheCountToZero)
	{
		GameplayWorld world;
		const std::pair<std::string, std::string> cases[] = {
			{"<string>Crumble</string><unsigned>12</unsigned>", "<unsigned name=\"particlesSpawned\">12</unsigned>"},
			{"<string>Crumble</string>", "<unsigned name=\"particlesSpawned\">0</unsigned>"},
		};
		for (const auto& [values, saved] : cases)
		{
			const Object house = CreateObject("House");
			GameplayWorld::AddLoaded(house, HouseDestroyed::TypeId(), values);
			const std::string text = GameplayWorld::Saved(*house.object->GetComponent<HouseDestroyed>());
			EXPECT_NE(text.find("<string name=\"destroyMessage\">Crumble</string>"), std::string::npos) << text;
			EXPECT_NE(text.find(saved), std::string::npos) << text;
		}
	}
}
