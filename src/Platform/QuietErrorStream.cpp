#include "Platform/QuietErrorStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace Platform
{
	QuietErrorStream::QuietErrorStream()
	{
		std::cerr.flush();
		std::fflush(stderr);
		const int discard = open("/dev/null", O_WRONLY | O_CLOEXEC);
		if (discard < 0)
			return;
		saved = dup(STDERR_FILENO);
		if (saved >= 0 && dup2(discard, STDERR_FILENO) < 0)
		{
			close(saved);
			saved = -1;
		}
		close(discard);
	}

	QuietErrorStream::~QuietErrorStream()
	{
		if (saved < 0)
			return;
		std::fflush(stderr);
		dup2(saved, STDERR_FILENO);
		close(saved);
	}
}
