// FLException: the engine's one exception type, raised by start-up, configuration and
// expression errors. It records where it was raised and what went wrong; it is thrown by value.
#pragma once

#include <string>

class FLException
{
public:
	FLException(const std::string& file, int line, const std::string& message)
		: file(file), line(line), message(message), code(0)
	{
	}

	std::string file;
	int line;
	std::string message;
	int code;
};

// Raises an FLException naming the raising source file and line.
#define FL_THROW(message) throw FLException(__FILE__, __LINE__, (message))
