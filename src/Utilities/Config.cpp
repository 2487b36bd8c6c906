#include "Utilities/Config.h"

#include "Utilities/Diagnostics.h"
#include "Utilities/FLException.h"
#include "Utilities/FileReplace.h"
#include "Utilities/ValueText.h"
#include "Utilities/XmlNesting.h"

#include <tinyxml.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

namespace
{
	constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
	// Backups are never overwritten; past this many the file is left as it is instead.
	constexpr unsigned kMaxBackups = 1000;

	bool StartsWithByteOrderMark(const std::string& text)
	{
		return text.starts_with(kByteOrderMark);
	}

	std::optional<std::string> ReadWholeFile(const std::string& path)
	{
		std::ifstream in(path, std::ios::binary);
		if (!in)
			return std::nullopt;
		std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
		if (in.bad())
			return std::nullopt;
		return text;
	}

	bool IsBlank(const std::string& text)
	{
		return text.find_first_not_of(" \t\r\n") == std::string::npos;
	}

	// As TinyXML's own file loading does: every "\r\n" and lone "\r" becomes "\n".
	std::string WithUnixLineBreaks(const std::string& text)
	{
		std::string converted;
		converted.reserve(text.size());
		for (std::size_t index = 0; index < text.size(); ++index)
		{
			if (text[index] != '\r')
				converted += text[index];
			else if (index + 1 == text.size() || text[index + 1] != '\n')
				converted += '\n';
		}
		return converted;
	}

	// Parses text into document; what is wrong with it, or empty when it parsed cleanly.
	std::string ParseProblem(TiXmlDocument& document, const std::string& text)
	{
		// Before TinyXML's recursive parser sees it, which a deep enough file would crash.
		if (tw::NestsDeeperThan(text, tw::kMaxXmlNesting))
			return "its elements nest more than " + std::to_string(tw::kMaxXmlNesting) + " deep";
		const std::string converted = WithUnixLineBreaks(text);
		const char* end = document.Parse(converted.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
		if (document.Error())
			return std::string("it is not well-formed XML: ") + document.ErrorDesc() + " (line " + std::to_string(document.ErrorRow()) +
				   ", column " + std::to_string(document.ErrorCol()) + ")";
		// TinyXML stops quietly at text after the last element; writing back would lose it.
		if (end != nullptr && !IsBlank(end))
			return "text follows its last element";
		return {};
	}

	// The first of "<path>.bak", "<path>.bak.1", ... that names nothing; empty when all are taken.
	std::string FreeBackupName(const std::string& path)
	{
		for (unsigned number = 0; number < kMaxBackups; ++number)
		{
			const std::string candidate = path + ".bak" + (number == 0 ? std::string() : "." + std::to_string(number));
			std::error_code error;
			if (std::filesystem::symlink_status(candidate, error).type() == std::filesystem::file_type::not_found)
				return candidate;
		}
		return {};
	}

	// A file the user can no longer read back is still theirs: keep a copy before the defaults
	// written at exit replace it. False when no copy could be made, so it must not be overwritten.
	bool KeepMalformedFile(const std::string& path, const std::string& problem)
	{
		const std::string backup = FreeBackupName(path);
		std::error_code error;
		if (backup.empty())
			error = std::make_error_code(std::errc::file_exists);
		else
			std::filesystem::copy_file(path, backup, std::filesystem::copy_options::none, error);
		if (error)
		{
			std::cerr << "Config: '" << path << "': " << problem << "; it could not be kept as a backup (" << error.message()
					  << "), so it will not be overwritten; defaults are used\n";
			return false;
		}
		std::cerr << "Config: '" << path << "': " << problem << "; it is kept as '" << backup << "' and defaults are used\n";
		return true;
	}

	void ReportNotOverwritten(const std::string& path, const char* problem)
	{
		std::cerr << "Config: '" << path << "' " << problem << "; defaults are used and it will not be overwritten\n";
	}
}

ConfigFile Config::Load(const std::string& path)
{
	auto document = std::make_unique<TiXmlDocument>(path);
	bool writeBack = true;
	bool byteOrderMark = false;
	std::error_code error;
	const bool exists = std::filesystem::exists(path, error);
	const std::optional<std::string> text = exists && std::filesystem::is_regular_file(path, error) ? ReadWholeFile(path) : std::nullopt;
	// Writing back over something that was there but could not be read would lose it.
	if (exists && !text)
	{
		ReportNotOverwritten(path, std::filesystem::is_regular_file(path, error) ? "cannot be read" : "is not a file");
		writeBack = false;
	}
	// Only a file that is really empty counts as none; anything else that does not parse is kept.
	else if (text && !IsBlank(*text))
	{
		byteOrderMark = StartsWithByteOrderMark(*text);
		const std::string problem = ParseProblem(*document, *text);
		if (!problem.empty())
		{
			writeBack = KeepMalformedFile(path, problem);
			// What TinyXML built before the error is dropped: a half-read file gives no settings.
			document->Clear();
			document->ClearError();
		}
	}
	TiXmlElement* root = document->FirstChildElement();
	if (!root)
		root = document->LinkEndChild(new TiXmlElement("Config"))->ToElement();

	ConfigFile file(std::move(document), path, byteOrderMark, writeBack);
	file.element = root;
	return file;
}

Config Config::GetSection(const std::string& name) const
{
	if (TiXmlElement* section = Element().FirstChildElement(name))
		return Config(section);
	return AddSection(name);
}

Config Config::AddSection(const std::string& name) const
{
	return Config(Element().LinkEndChild(new TiXmlElement(name))->ToElement());
}

tw::unordered_vector<Config> Config::GetAll(const std::string& name) const
{
	tw::unordered_vector<Config> handles;
	for (TiXmlElement* child = Element().FirstChildElement(name); child; child = child->NextSiblingElement(name))
		handles.push_back(Config(child));
	return handles;
}

std::string Config::GetString(const std::string& key, const std::string& defaultValue) const
{
	const TiXmlElement* keyElement = Element().FirstChildElement(key);
	if (!keyElement)
		return defaultValue;
	const TiXmlNode* first = keyElement->FirstChild();
	return first && first->ToText() ? first->ValueStr() : std::string();
}

int Config::GetInt(const std::string& key, int defaultValue) const
{
	return GetValue(key, defaultValue, "a whole number");
}

float Config::GetFloat(const std::string& key, float defaultValue) const
{
	return GetValue(key, defaultValue, "a number");
}

bool Config::GetBool(const std::string& key, bool defaultValue) const
{
	return GetValue(key, defaultValue, "true or false");
}

void Config::SetString(const std::string& key, const std::string& value) const
{
	TiXmlElement* keyElement = Element().FirstChildElement(key);
	if (!keyElement)
		keyElement = Element().LinkEndChild(new TiXmlElement(key))->ToElement();
	keyElement->Clear();
	keyElement->LinkEndChild(new TiXmlText(value));
}

void Config::SetInt(const std::string& key, int value) const
{
	SetString(key, ValueText::Format(value));
}

void Config::SetFloat(const std::string& key, float value) const
{
	SetString(key, ValueText::Format(value));
}

void Config::SetBool(const std::string& key, bool value) const
{
	SetString(key, ValueText::Format(value));
}

TiXmlElement& Config::Element() const
{
	if (!element)
		FL_THROW("No config file loaded.");
	return *element;
}

template <class T>
T Config::GetValue(const std::string& key, T defaultValue, const char* expected) const
{
	const TiXmlElement* keyElement = Element().FirstChildElement(key);
	if (!keyElement)
		return defaultValue;
	const TiXmlNode* first = keyElement->FirstChild();
	if (!first || !first->ToText())
		return defaultValue;
	T value = defaultValue;
	if (!ValueText::Parse(first->ValueStr(), value))
		tw::Diagnostics::Report("Config: setting '" + key + "' of '" + Element().ValueStr() + "' reads \"" + first->ValueStr() + "\", which is not " +
			expected + "; the default " + ValueText::Format(defaultValue) + " is used");
	return value;
}

ConfigFile::ConfigFile(std::unique_ptr<TiXmlDocument> document, std::string path, bool byteOrderMark, bool writeBack)
	: document(std::move(document)), path(std::move(path)), byteOrderMark(byteOrderMark), writeBack(writeBack)
{
}

ConfigFile::ConfigFile(ConfigFile&& other) noexcept
	: Config(other), document(std::move(other.document)), path(std::move(other.path)), byteOrderMark(other.byteOrderMark),
	  writeBack(other.writeBack)
{
	other.element = nullptr;
}

ConfigFile& ConfigFile::operator=(ConfigFile&& other) noexcept
{
	if (this != &other)
	{
		WriteBack();
		element = other.element;
		document = std::move(other.document);
		path = std::move(other.path);
		byteOrderMark = other.byteOrderMark;
		writeBack = other.writeBack;
		other.element = nullptr;
	}
	return *this;
}

ConfigFile::~ConfigFile()
{
	WriteBack();
}

void ConfigFile::WriteBack()
{
	if (!document || !writeBack)
		return;
	TiXmlPrinter printer;
	document->Accept(&printer);
	const std::string text = (byteOrderMark ? std::string(kByteOrderMark) : std::string()) + printer.Str();
	std::string error;
	if (!ReplaceFileContents(path, text, error))
		std::cerr << "Config: '" << path << "' not saved: " << error << '\n';
}
