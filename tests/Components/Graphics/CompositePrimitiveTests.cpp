#include "Components/Graphics/CompositePrimitive.h"

#include "Components/Graphics/GLTest.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;

namespace render_tests
{
	class CompositePrimitiveTest : public test::GLTest
	{
	protected:
		static std::string Piece(const std::string& shape, const std::string& offset, const std::string& scale,
			const std::string& rotation, int stacks = 1, int slices = 1)
		{
			return "<string>" + shape + "</string><int>" + std::to_string(stacks) + "</int><int>" + std::to_string(slices) +
				"</int><Tuple3f>" + offset + "</Tuple3f><Tuple3f>" + scale + "</Tuple3f><Tuple3f>" + rotation + "</Tuple3f>";
		}

		static Composition* Composite(const std::string& pieces, const std::string& rotation = "0 0 0")
		{
			return MakeObject(test::ComponentXml("Transform", "<Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>" + rotation +
				"</Tuple3f>") + test::ComponentXml("CompositePrimitive", pieces));
		}

		// Whether the pixel at window fraction (fx, fy) is lit after drawing on black.
		static std::vector<bool> LitAfterDrawing(::CompositePrimitive& composite, std::initializer_list<std::pair<float, float>> points)
		{
			glClear(GL_COLOR_BUFFER_BIT);
			EXPECT_TRUE(composite.Update());
			const std::vector<unsigned char> pixels = ReadPixels();
			std::vector<bool> lit;
			for (const auto& [fx, fy] : points)
			{
				const int x = static_cast<int>(fx * test::kGLTestWidth);
				const int y = static_cast<int>(fy * test::kGLTestHeight);
				lit.push_back(pixels[(static_cast<std::size_t>(y) * test::kGLTestWidth + x) * 4] != 0);
			}
			return lit;
		}
	};

	TEST_F(CompositePrimitiveTest, PiecesLoadInGroupsOfSixAndShareCachedMeshes)
	{
		Composition* object = Composite(Piece("cube", "1 0 0", "1 1 1", "0 0 0") + Piece("CUBE", "0 2 0", "2 2 2", "0 0 90") +
			Piece("Sphere", "0 0 3", "1 1 1", "0 0 0", 4, 6));
		const auto& pieces = object->GetComponent<::CompositePrimitive>()->GetPieces();
		ASSERT_EQ(pieces.size(), 3u);
		EXPECT_EQ(pieces[0].mesh->media.shape, kCube);
		EXPECT_EQ(pieces[0].mesh, pieces[1].mesh);
		EXPECT_EQ(pieces[0].mesh->count, 2u);
		EXPECT_EQ(pieces[1].rotation, Tuple3f(0, 0, 90));
		EXPECT_EQ(pieces[2].mesh->media.shape, kSphere);
		const std::string saved = test::SavedText(*object->GetComponent<::CompositePrimitive>());
		EXPECT_THAT(saved, HasSubstr("<string name=\"shape\">CUBE</string>\n\t<int name=\"stacks\">1</int>\n\t<int name=\"slices\">1</int>\n"
									 "\t<Tuple3f name=\"offset\">0 2 0</Tuple3f>\n\t<Tuple3f name=\"scale\">2 2 2</Tuple3f>\n"
									 "\t<Tuple3f name=\"rotation\">0 0 90</Tuple3f>"));
		object->GetComponent<::CompositePrimitive>()->Release();
		EXPECT_EQ(pieces[1].mesh, nullptr);
	}

	TEST_F(CompositePrimitiveTest, AnUnknownShapeDrawsNothingAndAnIncompletePieceIsDropped)
	{
		testing::internal::CaptureStdout();
		Composition* object = Composite(Piece("teapot", "0 0 0", "1 1 1", "0 0 0") + "<string>cube</string><int>1</int>");
		const std::string report = testing::internal::GetCapturedStdout();
		EXPECT_THAT(report, HasSubstr("piece 0: unknown shape \"teapot\""));
		EXPECT_THAT(report, HasSubstr("piece 1: the file ends after 2 of its 6 values"));
		const auto& pieces = object->GetComponent<::CompositePrimitive>()->GetPieces();
		ASSERT_EQ(pieces.size(), 1u);
		EXPECT_TRUE(pieces[0].mesh->media.indices.empty());

		testing::internal::CaptureStdout();
		Composition* nested = Composite(Piece("cube", "0 0 0", "1 1 1", "0 0 0") + "<Collider><string>cube</string></Collider>" +
			Piece("cube", "0 0 0", "1 1 1", "0 0 0"));
		EXPECT_THAT(testing::internal::GetCapturedStdout(), HasSubstr("an element stands where a piece's value belongs"));
		EXPECT_EQ(nested->GetComponent<::CompositePrimitive>()->GetPieces().size(), 1u);
	}

	TEST_F(CompositePrimitiveTest, PieceRotationsAreDegreesAndTheObjectsAreRadians)
	{
		glBindFramebuffer(GL_FRAMEBUFFER, 0);
		UseProgram(0u);
		glDisable(GL_LIGHTING);
		glDisable(GL_DEPTH_TEST);
		glDisable(GL_CULL_FACE);
		glDisable(GL_TEXTURE_2D);
		glMatrixMode(GL_PROJECTION);
		glLoadIdentity();
		glMatrixMode(GL_MODELVIEW);
		glLoadIdentity();
		// A wide, flat bar across the middle of the view, turned by the piece, or by the object (90
		// degrees written in the level file), onto the vertical.
		const std::initializer_list<std::pair<float, float>> probes = {{0.5f, 0.5f}, {0.9f, 0.5f}, {0.5f, 0.9f}};
		const struct
		{
			const char* pieceRotation;
			const char* objectRotation;
			std::vector<bool> lit;
		} cases[] = {
			{"0 0 0", "0 0 0", {true, true, false}},
			{"0 0 90", "0 0 0", {true, false, true}},
			{"0 0 0", "0 0 90", {true, false, true}},
			{"0 0 1.5707963", "0 0 0", {true, true, false}},
		};
		for (const auto& c : cases)
		{
			Composition* object = Composite(Piece("plane", "0 0 0", "1.9 0.2 1", c.pieceRotation), c.objectRotation);
			object->Start();
			EXPECT_EQ(LitAfterDrawing(*object->GetComponent<::CompositePrimitive>(), probes), c.lit)
				<< "piece " << c.pieceRotation << ", object " << c.objectRotation;
		}
		Composition* empty = Composite("");
		empty->Start();
		EXPECT_EQ(LitAfterDrawing(*empty->GetComponent<::CompositePrimitive>(), probes), std::vector<bool>(3, false));
		GLint depth = 0;
		glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
		EXPECT_EQ(depth, 1) << "every push is popped";
		glEnable(GL_LIGHTING);
		glEnable(GL_DEPTH_TEST);
		glEnable(GL_CULL_FACE);
	}

	TEST_F(CompositePrimitiveTest, StartPutsTheObjectOnTheDrawListForGood)
	{
		Composition* object = Composite(Piece("cone", "0 0 0", "1 1 1", "0 0 0", 1, 8));
		object->Start();
		::CompositePrimitive* composite = object->GetComponent<::CompositePrimitive>();
		const RenderEntry* entry = graphics->RenderEntries().Last();
		ASSERT_NE(entry, nullptr);
		EXPECT_EQ(entry->component, composite);
		EXPECT_EQ(entry->owner, object);
		EXPECT_GE(entry->kind, 4);
		composite->Detach();
		EXPECT_EQ(graphics->RenderEntries().Count(), 0u);
	}
}
