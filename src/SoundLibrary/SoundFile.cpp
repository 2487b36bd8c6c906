#include "SoundLibrary/SoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace snd
{
	namespace
	{
		SoundFile::MemoryCursor& Cursor(void* data)
		{
			return *static_cast<SoundFile::MemoryCursor*>(data);
		}

		sf_count_t MemoryLength(void* data)
		{
			return static_cast<sf_count_t>(Cursor(data).bytes->size());
		}

		sf_count_t MemorySeek(sf_count_t offset, int whence, void* data)
		{
			SoundFile::MemoryCursor& cursor = Cursor(data);
			const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? cursor.position : MemoryLength(data);
			const sf_count_t target = base + offset;
			if (target < 0 || target > MemoryLength(data))
				return -1;
			cursor.position = target;
			return target;
		}

		sf_count_t MemoryRead(void* out, sf_count_t count, void* data)
		{
			SoundFile::MemoryCursor& cursor = Cursor(data);
			const sf_count_t available = std::max<sf_count_t>(0, MemoryLength(data) - cursor.position);
			const sf_count_t taken = std::clamp<sf_count_t>(count, 0, available);
			// Empty bytes have no data pointer at all.
			if (taken == 0)
				return 0;
			std::memcpy(out, cursor.bytes->data() + cursor.position, static_cast<std::size_t>(taken));
			cursor.position += taken;
			return taken;
		}

		sf_count_t MemoryWrite(const void*, sf_count_t, void*)
		{
			return 0;
		}

		sf_count_t MemoryTell(void* data)
		{
			return Cursor(data).position;
		}
	}

	SoundFile::SoundFile(const Source& source, int outputChannels) : outputChannels(outputChannels == 2 ? 2 : 1)
	{
		SF_INFO info{};
		if (source.bytes)
		{
			memory.bytes = source.bytes;
			SF_VIRTUAL_IO io{&MemoryLength, &MemorySeek, &MemoryRead, &MemoryWrite, &MemoryTell};
			file = sf_open_virtual(&io, SFM_READ, &info, &memory);
		}
		else
			file = sf_open(source.path.c_str(), SFM_READ, &info);
		if (file == nullptr)
		{
			error = sf_strerror(nullptr);
			return;
		}
		// A damaged header may claim anything: only layouts and rates the mixer can take are played.
		if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1 || info.samplerate > kMaxSampleRate)
		{
			error = "unsupported layout (" + std::to_string(info.channels) + " channels at " + std::to_string(info.samplerate) + " Hz)";
			sf_close(file);
			file = nullptr;
			return;
		}
		sampleRate = info.samplerate;
		fileChannels = info.channels;
	}

	SoundFile::~SoundFile()
	{
		if (file != nullptr)
			sf_close(file);
	}

	std::size_t SoundFile::Read(float* out, std::size_t frameCount)
	{
		if (file == nullptr)
			return 0;
		fileFrames.resize(frameCount * static_cast<std::size_t>(fileChannels));
		const sf_count_t read = sf_readf_float(file, fileFrames.data(), static_cast<sf_count_t>(frameCount));
		const std::size_t frames = read > 0 ? static_cast<std::size_t>(read) : 0;
		const std::size_t channels = static_cast<std::size_t>(fileChannels);
		for (std::size_t frame = 0; frame < frames; ++frame)
		{
			float* in = fileFrames.data() + frame * channels;
			// Float files may hold anything; a non-finite sample would poison the whole mix.
			for (std::size_t channel = 0; channel < channels; ++channel)
				if (!std::isfinite(in[channel]))
					in[channel] = 0.0f;
			if (outputChannels == 2 && channels == 2)
			{
				out[2 * frame] = in[0];
				out[2 * frame + 1] = in[1];
				continue;
			}
			// Positioned sounds must be mono, and layouts other than stereo are folded to one channel.
			float sum = 0.0f;
			for (std::size_t channel = 0; channel < channels; ++channel)
				sum += in[channel];
			const float mixed = sum / static_cast<float>(channels);
			for (int channel = 0; channel < outputChannels; ++channel)
				out[frame * static_cast<std::size_t>(outputChannels) + static_cast<std::size_t>(channel)] = mixed;
		}
		return frames;
	}

	bool SoundFile::Rewind()
	{
		return file != nullptr && sf_seek(file, 0, SEEK_SET) == 0;
	}
}
