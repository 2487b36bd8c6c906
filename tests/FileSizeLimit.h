// Makes writing past a file size fail, as a full disk does, for the life of the object: the
// process's file size limit is lowered and the signal that would end the process is ignored.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace test
{
	class FileSizeLimit
	{
	public:
		explicit FileSizeLimit(rlim_t bytes)
		{
			previousHandler = std::signal(SIGXFSZ, SIG_IGN);
			getrlimit(RLIMIT_FSIZE, &previous);
			rlimit lowered = previous;
			lowered.rlim_cur = bytes;
			EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
		}
		~FileSizeLimit()
		{
			setrlimit(RLIMIT_FSIZE, &previous);
			std::signal(SIGXFSZ, previousHandler);
		}
		FileSizeLimit(const FileSizeLimit&) = delete;
		FileSizeLimit& operator=(const FileSizeLimit&) = delete;

	private:
		rlimit previous{};
		void (*previousHandler)(int) = nullptr;
	};
}
