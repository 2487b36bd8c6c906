#include "Components/Graphics/TextureTransform.h"

#include "Components/Graphics/GLTest.h"
#include "Utilities/TestHelpers.h"

#include <cmath>
#include <numbers>

namespace render_tests
{
	class TextureTransformTest : public test::GLTest
	{
	protected:
		// Where the texture matrix now in force takes the texture coordinate t.
		static Tuple2f Mapped(Tuple2f t)
		{
			GLfloat m[16];
			glGetFloatv(GL_TEXTURE_MATRIX, m);
			return Tuple2f(m[0] * t.x + m[4] * t.y + m[12], m[1] * t.x + m[5] * t.y + m[13]);
		}

		Composition* Started(const std::string& values)
		{
			Composition* object = MakeObject(test::ComponentXml("TextureTransform", values));
			object->Start();
			return object;
		}
	};

	TEST_F(TextureTransformTest, MatrixScalesAboutTheOriginAndTurnsAboutTheCentre)
	{
		const struct
		{
			const char* values;
			Tuple2f t;
			Tuple2f expected;
		} cases[] = {
			// pos, scale, rot
			{"<Tuple2f>0 0</Tuple2f><Tuple3f>1 1 1</Tuple3f><Tuple2f>0 0</Tuple2f>", {0.3f, 0.7f}, {0.3f, 0.7f}},
			{"<Tuple2f>0.25 0.5</Tuple2f><Tuple3f>2 3 1</Tuple3f><Tuple2f>0 0</Tuple2f>", {0.5f, 0.5f}, {1.25f, 2.0f}},
			// A quarter turn about the centre takes (1, 0.5) to (0.5, 1).
			{"<Tuple2f>0 0</Tuple2f><Tuple3f>1 1 1</Tuple3f><Tuple2f>0 1.5707964</Tuple2f>", {1.0f, 0.5f}, {0.5f, 1.0f}},
			{"<Tuple2f>0 0</Tuple2f><Tuple3f>1 1 1</Tuple3f><Tuple2f>0 1.5707964</Tuple2f>", {0.5f, 0.5f}, {0.5f, 0.5f}},
		};
		for (const auto& c : cases)
		{
			Started(c.values)->GetComponent<::TextureTransform>()->Update();
			glMatrixMode(GL_TEXTURE);
			const Tuple2f mapped = Mapped(c.t);
			glMatrixMode(GL_MODELVIEW);
			EXPECT_NEAR(mapped.x, c.expected.x, 1e-5) << c.values;
			EXPECT_NEAR(mapped.y, c.expected.y, 1e-5) << c.values;
		}
	}

	TEST_F(TextureTransformTest, MessagesChangeWhatTheNextDrawUses)
	{
		Composition* object = Started("<Tuple2f>0 0</Tuple2f><Tuple3f>1 1 1</Tuple3f><Tuple2f>0 0</Tuple2f>");
		Message scale("SetTextureScale");
		scale.Push(Tuple3f(2, 4, 100));
		object->HandleMessage(scale);
		Message pos("SetTexturePos");
		pos.Push(Tuple2f(0.5f, 0));
		object->HandleMessage(pos);
		::TextureTransform* transform = object->GetComponent<::TextureTransform>();
		EXPECT_EQ(transform->GetScale(), Tuple3f(2, 4, 100));
		transform->Update();
		GLfloat m[16];
		glMatrixMode(GL_TEXTURE);
		glGetFloatv(GL_TEXTURE_MATRIX, m);
		glMatrixMode(GL_MODELVIEW);
		EXPECT_FLOAT_EQ(m[0], 2.0f);
		EXPECT_FLOAT_EQ(m[5], 4.0f);
		EXPECT_FLOAT_EQ(m[10], 3.0f) << "the third component has no effect: the mean of the first two";
		EXPECT_FLOAT_EQ(m[12], 0.5f);
	}
}
