#include "Components/Graphics/PixelBuffer.h"

#include "Components/Graphics/GLTest.h"
#include "QuietComponent.h"

#include <gmock/gmock.h>

#include <array>
#include <cstdint>

using ::testing::HasSubstr;

namespace render_tests
{
	struct __RedrawCounterName
	{
		static constexpr const char* name = "RedrawCounter";
	};

	// Counts the "ForceRedraw" messages its object receives, as an HTML pane answers them.
	class RedrawCounter : public test::QuietComponent<RedrawCounter, __RedrawCounterName>
	{
	public:
		bool Load(Serializer&) override
		{
			owner->RegisterHandler("ForceRedraw", &RedrawCounter::OnForceRedraw);
			return true;
		}
		void OnForceRedraw(Message::Reader) { ++redraws; }
		int redraws = 0;
	};

	using Pixels = std::vector<std::uint8_t>;

	class PixelBufferTest : public test::GLTest
	{
	protected:
		static constexpr int kWidth = 4;
		static constexpr int kHeight = 2;

		static ::PixelBuffer* MadeBuffer(const std::string& external = "GL_RGBA", const std::string& extraXml = "")
		{
			return MakeObject(test::ComponentXml("PixelBuffer", "<Tuple2i>4 2</Tuple2i><Tuple4i>0 0 4 2</Tuple4i><string>" + external +
				"</string><string>GL_RGBA8</string>") + extraXml)->GetComponent<::PixelBuffer>();
		}
		static ::PixelBuffer* StartedBuffer(const std::string& external = "GL_RGBA", const std::string& extraXml = "")
		{
			::PixelBuffer* buffer = MadeBuffer(external, extraXml);
			buffer->owner->Start();
			return buffer;
		}

		// Every pixel i of the buffer holds the bytes (i, 10 + i, 20 + i, 255).
		static Pixels Numbered(int width, int height)
		{
			Pixels pixels;
			for (int i = 0; i < width * height; ++i)
				pixels.insert(pixels.end(), {std::uint8_t(i), std::uint8_t(10 + i), std::uint8_t(20 + i), 255});
			return pixels;
		}

		static Pixels TextureContent(const ::PixelBuffer& buffer)
		{
			Pixels pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
			glBindTexture(GL_TEXTURE_2D, buffer.GetGLTexture());
			glPixelStorei(GL_PACK_ALIGNMENT, 1);
			glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
			return pixels;
		}

		static void Send(::PixelBuffer& buffer, const Pixels& data, const Tuple4<int>* rectangle = nullptr, unsigned pitch = 0)
		{
			Message message("SetTextureData");
			message.Push(static_cast<::PixelBuffer::PixelData>(data.data()));
			if (rectangle != nullptr)
				message.Push(*rectangle);
			if (pitch != 0)
				message.Push(pitch);
			buffer.owner->HandleMessage(message);
		}
	};

	TEST_F(PixelBufferTest, APointerAloneUploadsTheWholeBufferAndGetTexImageReadsItBack)
	{
		::PixelBuffer* buffer = StartedBuffer();
		const Pixels pixels = Numbered(kWidth, kHeight);
		Send(*buffer, pixels);
		EXPECT_EQ(TextureContent(*buffer), pixels);
	}

	TEST_F(PixelBufferTest, ARectangleIsReadFromItsPlaceInRowsOfThePitch)
	{
		::PixelBuffer* buffer = StartedBuffer();
		Send(*buffer, Pixels(kWidth * kHeight * 4, 0));
		// A producer canvas 6 pixels wide: the rectangle (1, 0, 2, 2) sits in its first two columns after one.
		const Pixels canvas = Numbered(6, kHeight);
		const Tuple4<int> rectangle(1, 0, 2, 2);
		Send(*buffer, canvas, &rectangle, 6 * 4);
		const Pixels content = TextureContent(*buffer);
		for (int y = 0; y < kHeight; ++y)
			for (int x = 0; x < kWidth; ++x)
			{
				const bool inside = x >= 1 && x < 3;
				const std::uint8_t expected = inside ? canvas[static_cast<std::size_t>(y * 6 + x) * 4] : 0;
				EXPECT_EQ(content[static_cast<std::size_t>(y * kWidth + x) * 4], expected) << x << ", " << y;
			}
	}

	TEST_F(PixelBufferTest, RectanglesReachingOutsideAreClippedToTheBuffer)
	{
		const Pixels canvas = Numbered(kWidth, kHeight);
		const struct
		{
			Tuple4<int> rectangle;
			int firstColumn, lastColumn;
		} cases[] = {
			{{2, 0, 10, 10}, 2, 3},
			{{-1, -1, 3, 5}, 0, 1},
			{{4, 0, 2, 2}, 0, -1},
			{{0, 2, 4, 1}, 0, -1},
			{{0, 0, -3, 2}, 0, -1},
		};
		for (const auto& c : cases)
		{
			::PixelBuffer* buffer = StartedBuffer();
			Send(*buffer, Pixels(kWidth * kHeight * 4, 0));
			Send(*buffer, canvas, &c.rectangle, kWidth * 4);
			ExpectNoGLError("an upload of a rectangle reaching outside");
			const Pixels content = TextureContent(*buffer);
			for (int x = 0; x < kWidth; ++x)
			{
				const bool written = x >= c.firstColumn && x <= c.lastColumn;
				EXPECT_EQ(content[static_cast<std::size_t>(x) * 4 + 3], written ? 255 : 0)
					<< "rectangle (" << c.rectangle.x << ", " << c.rectangle.y << ", " << c.rectangle.z << ", " << c.rectangle.w
					<< "), column " << x;
			}
		}
	}

	TEST_F(PixelBufferTest, DisplayBoundsGiveTheTextureMatrix)
	{
		::PixelBuffer* buffer = StartedBuffer();
		const struct
		{
			Tuple4<int> bounds;
			float translateX, scaleX, scaleY;
		} cases[] = {{{0, 0, 4, 2}, 0.0f, 1.0f, 1.0f}, {{2, 0, 4, 2}, 0.5f, 0.5f, 1.0f}, {{0, 0, 2, 1}, 0.0f, 0.5f, 0.5f}};
		for (const auto& c : cases)
		{
			buffer->owner->HandleMessage(Message("SetDisplayBounds").Push(c.bounds));
			EXPECT_TRUE(buffer->Update());
			GLfloat matrix[16];
			glGetFloatv(GL_TEXTURE_MATRIX, matrix);
			EXPECT_FLOAT_EQ(matrix[0], c.scaleX);
			EXPECT_FLOAT_EQ(matrix[5], c.scaleY);
			EXPECT_FLOAT_EQ(matrix[12], c.translateX);
			GLint bound = 0;
			glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
			EXPECT_EQ(static_cast<unsigned>(bound), buffer->GetGLTexture());
		}
		glMatrixMode(GL_TEXTURE);
		glLoadIdentity();
		glMatrixMode(GL_MODELVIEW);
	}

	TEST_F(PixelBufferTest, StartClampsAndReloadRepeatsAndAsksTheProducerForEverything)
	{
		RedrawCounter::Register();
		::PixelBuffer* buffer = StartedBuffer("GL_RGBA", test::ComponentXml("RedrawCounter", ""));
		const auto wrap = [&] {
			GLint mode = 0;
			glBindTexture(GL_TEXTURE_2D, buffer->GetGLTexture());
			glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &mode);
			return mode;
		};
		EXPECT_EQ(wrap(), GL_CLAMP_TO_EDGE);
		EXPECT_TRUE(graphics->Textures().IsLinked(buffer));
		graphics->Reload();
		EXPECT_EQ(wrap(), GL_REPEAT);
		EXPECT_EQ(buffer->owner->GetComponent<RedrawCounter>()->redraws, 1);
		const Pixels pixels = Numbered(kWidth, kHeight);
		Send(*buffer, pixels);
		EXPECT_EQ(TextureContent(*buffer), pixels) << "the new texture has storage";
		buffer->Detach();
		EXPECT_EQ(buffer->GetGLTexture(), 0u);
		EXPECT_FALSE(graphics->Textures().IsLinked(buffer));
	}

	// A pane started first resizes the buffer ("ResizeHud") and writes its page before the buffer starts.
	TEST_F(PixelBufferTest, ATextureMadeByAResizeBeforeStartIsKeptWithItsPixelsAndDeletedOnDetach)
	{
		::PixelBuffer* buffer = MadeBuffer();
		buffer->Resize(Tuple2<int>(kWidth, kHeight));
		const unsigned made = buffer->GetGLTexture();
		const Pixels pixels = Numbered(kWidth, kHeight);
		Send(*buffer, pixels);
		buffer->owner->Start();
		EXPECT_EQ(buffer->GetGLTexture(), made);
		EXPECT_EQ(TextureContent(*buffer), pixels);
		buffer->Detach();
		EXPECT_FALSE(glIsTexture(made));
	}

	TEST_F(PixelBufferTest, FormatsResolveByNameAndAreSavedAsWritten)
	{
		testing::internal::CaptureStdout();
		::PixelBuffer* known = StartedBuffer("GL_BGRA");
		EXPECT_EQ(known->GetExternalFormat(), static_cast<unsigned>(GL_BGRA));
		EXPECT_EQ(known->GetInternalFormat(), static_cast<unsigned>(GL_RGBA8));
		EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
		const std::string saved = test::SavedText(*known);
		EXPECT_THAT(saved, HasSubstr("<Tuple2i name=\"buffer dimensions\">4 2</Tuple2i>"));
		EXPECT_THAT(saved, HasSubstr("<Tuple4i name=\"displayBounds\">0 0 4 2</Tuple4i>"));
		EXPECT_THAT(saved, HasSubstr("<string name=\"external format\">GL_BGRA</string>"));

		testing::internal::CaptureStdout();
		::PixelBuffer* unknown = StartedBuffer("GL_PURPLE");
		EXPECT_THAT(testing::internal::GetCapturedStdout(), HasSubstr("unknown external format \"GL_PURPLE\""));
		EXPECT_EQ(unknown->GetExternalFormat(), 0u);
		Send(*unknown, Numbered(kWidth, kHeight));
		ExpectNoGLError("writing to a buffer without a format");
		EXPECT_THAT(test::SavedText(*unknown), HasSubstr("GL_PURPLE")) << "the text is kept for the next save";
	}
}
