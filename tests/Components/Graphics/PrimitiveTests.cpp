#include "Components/Graphics/Primitive.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/Shader.h"
#include "Message.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;

// Named, not anonymous: the fixtures carry the names of the classes they test.
namespace render_tests
{
	class PrimitiveTest : public test::GLTest
	{
	protected:
		static std::string PlacedPrimitive(const std::string& shape, int stacks, int slices)
		{
			return test::TransformXml("1 2 3") +
				test::ComponentXml("Primitive", "<string>" + shape + "</string><int>" + std::to_string(stacks) + "</int><int>" +
					std::to_string(slices) + "</int>");
		}
	};

TEST_F(PrimitiveTest, LoadsVisibleAndSavesTheClampedTessellation)
{
	Composition* object = MakeObject(PlacedPrimitive("sphere", 1, 9));
	::Primitive* primitive = object->GetComponent<::Primitive>();
	EXPECT_TRUE(primitive->IsVisible());
	const std::string saved = test::SavedText(*primitive);
	EXPECT_THAT(saved, HasSubstr("<string name=\"shape name\">SPHERE</string>"));
	EXPECT_THAT(saved, HasSubstr("<int name=\"stacks\">2</int>"));
	EXPECT_THAT(saved, HasSubstr("<int name=\"slices\">9</int>"));
}

TEST_F(PrimitiveTest, StartListsTheRenderEntryAndDetachRemovesIt)
{
	Composition* first = MakeObject(PlacedPrimitive("cube", 1, 1));
	Composition* second = MakeObject(PlacedPrimitive("cone", 2, 8));
	first->Start();
	second->Start();
	const Graphics::RenderEntryList& entries = graphics->RenderEntries();
	ASSERT_EQ(entries.Count(), 2u);
	EXPECT_EQ(entries.First()->owner, first);
	EXPECT_EQ(entries.Last()->owner, second) << "in Start order";
	EXPECT_EQ(entries.First()->component, first->GetComponent<::Primitive>());
	first->GetComponent<::Primitive>()->Detach();
	EXPECT_EQ(entries.Count(), 1u);
	EXPECT_EQ(entries.First()->owner, second);
}

TEST_F(PrimitiveTest, DrawsOnlyWhenVisibleWithOrWithoutAShader)
{
	Composition* object = MakeObject(PlacedPrimitive("cylinder", 2, 8));
	object->Start();
	::Primitive* primitive = object->GetComponent<::Primitive>();
	UseProgram("Debug");
	EXPECT_TRUE(primitive->Update()) << "without a Shader it draws without tangents";
	Message hide("SetVisible");
	hide.Push(false);
	object->HandleMessage(hide);
	EXPECT_FALSE(primitive->IsVisible());
	EXPECT_FALSE(primitive->Update());
	Message show("SetVisible");
	show.Push(true);
	object->HandleMessage(show);
	EXPECT_TRUE(primitive->Update());

	Composition* shaded = MakeObject(PlacedPrimitive("sphere", 6, 6) + test::ComponentXml("Shader", "<string>GeometryPass</string>"));
	shaded->Start();
	shaded->GetComponent<Shader>()->Update();
	EXPECT_TRUE(shaded->GetComponent<::Primitive>()->Update()) << "with a Shader it draws under that program";
}
}
