#include "SoundLibrary/SoundFile.h"

#include "Platform/OpenedFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace snd
{
	namespace
	{
		SoundFile::Cursor& CursorOf(void* data)
		{
			return *static_cast<SoundFile::Cursor*>(data);
		}

		sf_count_t SourceLength(void* data)
		{
			return static_cast<sf_count_t>(CursorOf(data).Length());
		}

		sf_count_t SourceSeek(sf_count_t offset, int whence, void* data)
		{
			SoundFile::Cursor& cursor = CursorOf(data);
			const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? cursor.position : SourceLength(data);
			const sf_count_t target = base + offset;
			if (target < 0 || target > SourceLength(data))
				return -1;
			cursor.position = target;
			return target;
		}

		sf_count_t SourceRead(void* out, sf_count_t count, void* data)
		{
			return static_cast<sf_count_t>(CursorOf(data).Read(out, count));
		}

		sf_count_t SourceWrite(const void*, sf_count_t, void*)
		{
			return 0;
		}

		sf_count_t SourceTell(void* data)
		{
			return CursorOf(data).position;
		}
	}

	long long SoundFile::Cursor::Length() const
	{
		return bytes ? static_cast<long long>(bytes->size()) : static_cast<long long>(file->Size());
	}

	long long SoundFile::Cursor::Read(void* out, long long count)
	{
		const long long taken = std::clamp<long long>(count, 0, std::max<long long>(0, Length() - position));
		// Empty bytes have no data pointer at all.
		if (taken == 0)
			return 0;
		long long read = taken;
		if (bytes)
			std::memcpy(out, bytes->data() + position, static_cast<std::size_t>(taken));
		else
			read = std::max<long long>(0, file->ReadAt(out, static_cast<std::size_t>(taken), static_cast<std::uintmax_t>(position)));
		position += read;
		return read;
	}

	SoundFile::SoundFile(const Source& source, int outputChannels) : outputChannels(outputChannels == 2 ? 2 : 1)
	{
		if (!source.bytes && !source.file)
		{
			error = "it was not opened";
			return;
		}
		SF_INFO info{};
		cursor.bytes = source.bytes;
		cursor.file = source.file;
		SF_VIRTUAL_IO io{&SourceLength, &SourceSeek, &SourceRead, &SourceWrite, &SourceTell};
		file = sf_open_virtual(&io, SFM_READ, &info, &cursor);
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
