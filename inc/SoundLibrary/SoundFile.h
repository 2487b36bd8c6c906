// snd::SoundFile: the sound layer's one decoder. It reads a sound file (WAV, FLAC, Ogg Vorbis,
// Opus, MP3: whatever libsndfile reads) from disk or from bytes in memory, checks what the file
// claims before trusting it, and hands out float frames already mixed to the layer's channel
// layout: mono for positioned sounds, stereo for the rest.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;
class OpenedFile;

namespace snd
{
	// Where a sound's bytes come from: a file path, which the System opens and checks once into
	// file, or bytes in memory. The opened file or the bytes are shared by every stream that
	// decodes them: nothing opens the path again.
	struct Source
	{
		std::string path;
		std::shared_ptr<const std::vector<unsigned char>> bytes;
		std::shared_ptr<const OpenedFile> file;
	};

	class SoundFile
	{
	public:
		static constexpr int kMaxChannels = 8;
		static constexpr int kMaxSampleRate = 384000;

		// outputChannels is 1 or 2. On failure IsOpen() is false and Error() says why.
		SoundFile(const Source& source, int outputChannels);
		~SoundFile();
		SoundFile(const SoundFile&) = delete;
		SoundFile& operator=(const SoundFile&) = delete;

		bool IsOpen() const { return file != nullptr; }
		const std::string& Error() const { return error; }
		int SampleRate() const { return sampleRate; }
		int OutputChannels() const { return outputChannels; }

		// Decodes up to frameCount frames into out (outputChannels floats a frame); 0 at the end.
		std::size_t Read(float* out, std::size_t frameCount);
		// Back to the first frame; false when the file cannot seek.
		bool Rewind();

		// libsndfile's virtual I/O reads the source's bytes, in memory or in its opened file,
		// through this: each decoder has a place of its own in the shared bytes.
		struct Cursor
		{
			std::shared_ptr<const std::vector<unsigned char>> bytes;
			std::shared_ptr<const OpenedFile> file;
			long long position = 0;

			long long Length() const;
			// Up to count bytes from the position into out; the number read.
			long long Read(void* out, long long count);
		};

	private:
		SNDFILE* file = nullptr;
		Cursor cursor;
		std::string error;
		int sampleRate = 0;
		int fileChannels = 0;
		int outputChannels = 1;
		// The file's own frames before they are mixed to the output layout.
		std::vector<float> fileFrames;
	};
}
