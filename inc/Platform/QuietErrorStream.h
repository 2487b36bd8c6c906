// QuietErrorStream: while one lives, whatever is written to the process's standard error stream is
// thrown away. The sound layer wraps the opening of the audio device in one: on a machine without
// a sound card the audio libraries print lines of their own, and the game says it in one line.
#pragma once

namespace Platform
{
	class QuietErrorStream
	{
	public:
		QuietErrorStream();
		// Puts the stream back as it was.
		~QuietErrorStream();
		QuietErrorStream(const QuietErrorStream&) = delete;
		QuietErrorStream& operator=(const QuietErrorStream&) = delete;

	private:
		// The stream's descriptor while quieted; -1 when it could not be set aside.
		int saved = -1;
	};
}
