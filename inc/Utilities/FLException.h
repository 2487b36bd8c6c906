// FLException: the engine's one exception type, raised by start-up, configuration and
// expression errors. It records where it was raised and what went wrong; it is thrown by value.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <utility>

// A standard exception, so that whatever reports a std::exception it did not expect (a test
// framework, a library's handler) shows what went wrong and where instead of an unknown exception.
class FLException : public std::exception
{
public:
	FLException(std::string_view file, int line, const std::string& message)
		: file(FromProjectFolder(file)), line(line), message(message), code(0), description(Describe())
	{
	}

	// The message as it is when asked, with where it was raised: a catcher on the way up may
	// complete the message (an expression adds its text) before it is reported. Rewritten only
	// when it changed, so that handlers asking at once in several threads only read it.
	const char* what() const noexcept override
	{
		try
		{
			if (std::string now = Describe(); now != description)
				description = std::move(now);
			return description.c_str();
		}
		catch (...)
		{
			// Out of memory: the message alone still says what went wrong.
			return message.c_str();
		}
	}

	std::string file;
	int line;
	std::string message;
	int code;

private:
	mutable std::string description;

	std::string Describe() const
	{
		return message + " (" + file + ":" + std::to_string(line) + ")";
	}

	// Sources are compiled by their path on the build machine: a message names them from the
	// project's folder, found from where this header stands in it.
	static std::string FromProjectFolder(std::string_view file)
	{
		constexpr std::string_view thisHeader = __FILE__;
		constexpr std::string_view fromProject = "inc/Utilities/FLException.h";
		static_assert(thisHeader.ends_with(fromProject));
		constexpr std::string_view projectFolder = thisHeader.substr(0, thisHeader.size() - fromProject.size());
		return std::string(file.starts_with(projectFolder) ? file.substr(projectFolder.size()) : file);
	}
};

// Raises an FLException naming the raising source file and line.
#define FL_THROW(message) throw FLException(__FILE__, __LINE__, (message))
