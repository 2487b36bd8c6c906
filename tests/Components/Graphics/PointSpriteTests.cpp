#include "Components/Graphics/PointSprite.h"

#include "Components/Graphics/GLTest.h"
#include "Engine.h"
#include "Utilities/ListSort.h"
#include "Utilities/SearchPaths.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace render_tests
{
	class PointSpriteTest : public test::GLTest
	{
	protected:
		// A started sprite on an object at the position; the eye stays at the origin.
		static ::PointSprite* StartedSprite(bool sort, const std::string& position = "0 0 -10", const std::string& groups = "")
		{
			Composition* object = MakeObject(test::ComponentXml("Transform", "<Tuple3f>" + position +
				"</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f>") +
				test::ComponentXml("PointSprite", "<Tuple3f>1 0 0</Tuple3f><float>8</float><float>64</float><float>1</float>"
					"<float>1</float><string>GL_SRC_ALPHA</string><string>GL_ONE</string><bool>" + std::string(sort ? "true" : "false") +
					"</bool>" + groups));
			object->Start();
			::PointSprite* sprite = object->GetComponent<::PointSprite>();
			::PointSprite::MeasureEyeDistance(sprite);
			return sprite;
		}

		static void AddPoints(::PointSprite& sprite, const std::string& group, unsigned texture, std::initializer_list<float> depths)
		{
			sprite.currentGroup = sprite.GetGroupId(group);
			for (float z : depths)
				sprite.AddPoint(texture, Tuple3f(0, 0, z), Tuple4f(1, 1, 1, 1), 4.0f);
		}

		// (group id, distance) of every depth group in drawing order.
		static std::vector<std::pair<unsigned, float>> DepthOrder(const ::PointSprite& sprite)
		{
			std::vector<std::pair<unsigned, float>> order;
			sprite.GetDepthGroups().ForEach([&](const ::PointSprite::DepthGroup* group) { order.emplace_back(group->group, group->distance); });
			return order;
		}

		static std::size_t PointCount(const ::PointSprite& sprite, unsigned group, unsigned key, bool nearEye)
		{
			const ::PointSprite::SpriteGroup* found = sprite.FindSpriteGroup({group, key, nearEye});
			return found != nullptr ? found->positions.size() : 0;
		}
	};

	TEST_F(PointSpriteTest, GroupIdsFollowFirstUseAndTextureKeysPackGroupAndIndex)
	{
		::PointSprite* sprite = StartedSprite(false);
		EXPECT_EQ(sprite->GetGroupId("smoke"), 0u);
		EXPECT_EQ(sprite->GetGroupId("fire"), 1u);
		EXPECT_EQ(sprite->GetGroupId("smoke"), 0u);
		EXPECT_EQ(sprite->GetGroupId("sparks"), 2u);
		EXPECT_EQ(::PointSprite::TextureKey(2, 1), (2u << 16) + 1u);
		AddSearchPath(TW_TEST_DATA_DIR "Textures/");
		sprite->AddTexture("sparks", 1, "grey.png");
		const ::PointSprite::TextureHandle* handle = sprite->FindTexture(::PointSprite::TextureKey(2, 1));
		ASSERT_NE(handle, nullptr);
		EXPECT_EQ(handle->fileName, "grey.png");
		ASSERT_NE(handle->texture, nullptr);
		EXPECT_EQ(sprite->FindTexture(::PointSprite::TextureKey(1, 1)), nullptr);
	}

	TEST_F(PointSpriteTest, WithoutSortingEveryPointOfAGroupIsFarAndGroupsDrawInOrderOfCreation)
	{
		::PointSprite* sprite = StartedSprite(false);
		AddPoints(*sprite, "smoke", 0, {-1, -20, -5});
		AddPoints(*sprite, "fire", 3, {-2});
		AddPoints(*sprite, "smoke", 1, {-30});
		EXPECT_EQ(PointCount(*sprite, 0, 0, false), 3u);
		EXPECT_EQ(PointCount(*sprite, 0, 1, false), 1u);
		EXPECT_EQ(PointCount(*sprite, 1, ::PointSprite::TextureKey(1, 3), false), 1u);
		EXPECT_EQ(PointCount(*sprite, 0, 0, true), 0u);
		EXPECT_THAT(DepthOrder(*sprite), ElementsAre(std::pair(0u, 100.0f), std::pair(1u, 100.0f)));
		sprite->ClearGroup(0);
		EXPECT_EQ(PointCount(*sprite, 0, 0, false), 0u);
		for (const ::PointSprite::GroupID id : {::PointSprite::GroupID{0, 0, false}, ::PointSprite::GroupID{0, 1, false}})
		{
			const ::PointSprite::SpriteGroup* cleared = sprite->FindSpriteGroup(id);
			EXPECT_TRUE(cleared->positions.empty() && cleared->colors.empty() && cleared->sizes.empty()) << "every per-point array";
		}
		EXPECT_EQ(PointCount(*sprite, 1, ::PointSprite::TextureKey(1, 3), false), 1u) << "other groups keep their points";
		EXPECT_NE(sprite->FindSpriteGroup({0, 0, false}), nullptr) << "a cleared group stays";
	}

	TEST_F(PointSpriteTest, SortingSplitsNearFromFarAndDrawsTheFarthestGroupFirst)
	{
		// The object is 10 from the eye: 100 squared.
		::PointSprite* sprite = StartedSprite(true);
		AddPoints(*sprite, "smoke", 0, {-4, -12, -6, -15});
		EXPECT_EQ(PointCount(*sprite, 0, 0, true), 2u);
		EXPECT_EQ(PointCount(*sprite, 0, 0, false), 2u);
		// The near group moves to its nearest point, the far one to its farthest.
		EXPECT_THAT(DepthOrder(*sprite), ElementsAre(std::pair(0u, 16.0f), std::pair(0u, 225.0f)));
		AddPoints(*sprite, "fire", 0, {-11});
		graphics->PointSprites().ForEach([](::PointSprite* each) { each->Update(); });
		EXPECT_THAT(DepthOrder(*sprite), ElementsAre(std::pair(0u, 225.0f), std::pair(1u, 121.0f), std::pair(0u, 16.0f)));
		AddPoints(*sprite, "smoke", 0, {-2});
		EXPECT_THAT(DepthOrder(*sprite).back(), std::pair(0u, 4.0f));
		AddPoints(*sprite, "smoke", 0, {-9});
		EXPECT_THAT(DepthOrder(*sprite).back(), std::pair(0u, 4.0f)) << "a farther near point does not move the group back";
	}

	TEST_F(PointSpriteTest, EqualDistancesPutTheLaterFirst)
	{
		// Depth groups of three groups, all created at the object's distance and never moved.
		::PointSprite* sprite = StartedSprite(true, "0 0 -3");
		AddPoints(*sprite, "a", 0, {-3});
		AddPoints(*sprite, "b", 0, {-3});
		AddPoints(*sprite, "c", 0, {-3});
		sprite->Update();
		EXPECT_THAT(DepthOrder(*sprite), ElementsAre(std::pair(2u, 9.0f), std::pair(1u, 9.0f), std::pair(0u, 9.0f)));

		// The frame orders the sprites themselves the same way.
		::PointSprite* far = StartedSprite(false, "0 0 -8");
		::PointSprite* tieFirst = StartedSprite(false, "0 4 0");
		::PointSprite* tieSecond = StartedSprite(false, "4 0 0");
		std::vector<::PointSprite*> scratch;
		SortLargestFirst(graphics->PointSprites(), scratch, [](const ::PointSprite* each) { return each->GetSortKey(); });
		std::vector<::PointSprite*> order;
		graphics->PointSprites().ForEach([&](::PointSprite* each) { order.push_back(each); });
		EXPECT_THAT(order, ElementsAre(far, tieSecond, tieFirst, sprite));
	}

	TEST_F(PointSpriteTest, GroupsDrawWithTheirOwnBlendOrTheDefaultAndUnknownNamesAreZero)
	{
		testing::internal::CaptureStdout();
		::PointSprite* sprite = StartedSprite(false, "0 0 -10",
			"<string>fire</string><string>GL_ONE</string><string>GL_ONE_MINUS_SRC_COLOR</string>"
			"<string>smoke</string><string>GL_SHINY</string><string>GL_DST_ALPHA</string>");
		EXPECT_THAT(testing::internal::GetCapturedStdout(), HasSubstr("unknown blend factor \"GL_SHINY\""));
		EXPECT_EQ(sprite->GetBlendSource(), static_cast<unsigned>(GL_SRC_ALPHA));
		EXPECT_EQ(sprite->GetBlendDestination(), static_cast<unsigned>(GL_ONE));
		const struct
		{
			const char* group;
			GLint source, destination;
		} cases[] = {{"fire", GL_ONE, GL_ONE_MINUS_SRC_COLOR}, {"smoke", GL_ZERO, GL_DST_ALPHA}, {"sparks", GL_SRC_ALPHA, GL_ONE}};
		for (const auto& c : cases)
		{
			::PointSprite* alone = StartedSprite(false, "0 0 -10",
				"<string>fire</string><string>GL_ONE</string><string>GL_ONE_MINUS_SRC_COLOR</string>"
				"<string>smoke</string><string>GL_ZERO</string><string>GL_DST_ALPHA</string>");
			AddPoints(*alone, c.group, 0, {-1});
			UseProgram("ParticleShader");
			alone->Update();
			GLint source = 0;
			GLint destination = 0;
			glGetIntegerv(GL_BLEND_SRC_RGB, &source);
			glGetIntegerv(GL_BLEND_DST_RGB, &destination);
			EXPECT_EQ(source, c.source) << c.group;
			EXPECT_EQ(destination, c.destination) << c.group;
		}
		glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	}

	TEST_F(PointSpriteTest, DrawsTexturedPointsSkipsClearedGroupsAndBindsNothingForAnUnknownKey)
	{
		AddSearchPath(TW_TEST_DATA_DIR "Textures/");
		::PointSprite* sprite = StartedSprite(false);
		sprite->AddTexture("smoke", 0, "grey.png");
		glBindFramebuffer(GL_FRAMEBUFFER, 0);
		glDisable(GL_DEPTH_TEST);
		UseProgram("ParticleShader");
		const auto drawnPixels = [&] {
			glClear(GL_COLOR_BUFFER_BIT);
			sprite->Update();
			const std::vector<unsigned char> pixels = ReadPixels();
			int lit = 0;
			for (std::size_t i = 0; i < pixels.size(); i += 4)
				lit += pixels[i] != 0 ? 1 : 0;
			return lit;
		};
		AddPoints(*sprite, "smoke", 0, {0});
		EXPECT_GT(drawnPixels(), 0);
		GLint bound = 0;
		glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
		EXPECT_EQ(static_cast<unsigned>(bound), sprite->FindTexture(0)->texture->media.texture);
		sprite->ClearGroup(0);
		EXPECT_EQ(drawnPixels(), 0);

		AddPoints(*sprite, "fire", 5, {0});
		drawnPixels();
		glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
		EXPECT_EQ(bound, 0) << "a key without a texture binds none";
		glEnable(GL_DEPTH_TEST);
		glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	}

	TEST_F(PointSpriteTest, SavesWhatItLoadedAndFetchesItsTexturesAgainAfterADeviceLoss)
	{
		AddSearchPath(TW_TEST_DATA_DIR "Textures/");
		::PointSprite* sprite = StartedSprite(true, "0 0 -10", "<string>fire</string><string>GL_ONE</string><string>GL_ZERO</string>");
		const std::string saved = test::SavedText(*sprite);
		for (const char* field : {"<Tuple3f name=\"Distance Attenuation\">1 0 0</Tuple3f>", "<float name=\"Base size per point sprite\">8</float>",
				 "<float name=\"Maximum point sprite size\">64</float>", "<string name=\"Blend Destination Format\">GL_ONE</string>",
				 "<bool name=\"Internally sort the particles\">true</bool>", "<string name=\"group ID\">fire</string>",
				 "<string name=\"group blend destination format\">GL_ZERO</string>"})
			EXPECT_THAT(saved, HasSubstr(field));
		sprite->AddTexture("fire", 0, "grey.png");
		Engine::SendMessage(Message("LosingDevice"));
		Engine::SendMessage(Message("LostDevice"));
		const ::PointSprite::TextureHandle* handle = sprite->FindTexture(0);
		ASSERT_NE(handle->texture, nullptr);
		EXPECT_EQ(handle->texture->name, "grey.png");
		EXPECT_EQ(glIsTexture(handle->texture->media.texture), GL_TRUE);
	}
}
