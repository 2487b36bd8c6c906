// FLException: the engine's one exception type, raised by start-up, configuration and
// expression errors. It records where it was raised and what went wrong; it is thrown by value.
#pragma once

#include <exception>
#include <forward_list>
#include <string>
#include <string_view>

// A standard exception, so that whatever reports a std::exception it did not expect (a test
// framework, a library's handler) shows what went wrong and where instead of an unknown exception.
class FLException : public std::exception
{
public:
	FLException(std::string_view file, int line, const std::string& message)
		: file(FromProjectFolder(file)), line(line), message(message)
	{
		descriptions.push_front(Describe());
	}
	// Copied, never moved: an exception emptied by a move would have no text for what().
	FLException(const FLException&) = default;
	FLException& operator=(const FLException&) = default;

	// The message with where it was raised, as it is now. The text is made when the message
	// changes, never here: a pointer handed out stays valid, and says the same, for as long as the
	// exception lives, and handlers in several threads only read.
	const char* what() const noexcept override
	{
		return descriptions.front().c_str();
	}

	const std::string& File() const
	{
		return file;
	}
	int Line() const
	{
		return line;
	}
	const std::string& Message() const
	{
		return message;
	}

	// Adds to the message on the way up (an expression names the text its error was found in).
	// The earlier texts are kept, so that a pointer taken from what() before still reads what it
	// said.
	void CompleteMessage(const std::string& addition)
	{
		message += addition;
		descriptions.push_front(Describe());
	}

private:
	std::string file;
	int line;
	std::string message;
	// The newest first.
	std::forward_list<std::string> descriptions;

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
