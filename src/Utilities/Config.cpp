#include "Utilities/Config.h"

#include "Utilities/BinaryFile.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/FLException.h"
#include "Utilities/FileReplace.h"
#include "Utilities/ValueText.h"
#include "Utilities/XmlNesting.h"

#include <tinyxml.h>

#include <filesystem>
#include <iostream>

namespace
{
	constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
	// Backups are never overwritten; past this many the file is left as it is instead.
	constexpr unsigned kMaxBackups = 1000;

	bool StartsWithByteOrderMark(const std::string& text)
	{
		return text.starts_with(kByteOrderMark);
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

	// Copies the file to the first free backup name, which it returns; error is set when no copy was made.
	std::string BackUp(const std::string& path, std::error_code& error)
	{
		const std::string backup = FreeBackupName(path);
		if (backup.empty())
			error = std::make_error_code(std::errc::file_exists);
		else
			std::filesystem::copy_file(path, backup, std::filesystem::copy_options::none, error);
		return backup;
	}

	// Marks a setting whose text a getter could not read, and a document in which a setter then
	// replaced such a text: that file is backed up before it is written over.
	char unreadableText;
	char holdsReplacedText;

	// A file the user can no longer read back is still theirs: keep a copy before the defaults
	// written at exit replace it. False when no copy could be made, so it must not be overwritten.
	bool KeepMalformedFile(const std::string& path, const std::string& problem)
	{
		std::error_code error;
		const std::string backup = BackUp(path, error);
		if (error)
		{
			std::cerr << "Config: '" << path << "': " << problem << "; it could not be kept as a backup (" << error.message()
					  << "), so it will not be overwritten; defaults are used\n";
			return false;
		}
		std::cerr << "Config: '" << path << "': " << problem << "; it is kept as '" << backup << "' and defaults are used\n";
		return true;
	}

	void ReportNotOverwritten(const std::string& path, const std::string& problem)
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
	std::string text;
	std::string readProblem;
	const bool read = exists && ReadFileAt(path, text, readProblem);
	// Writing back over something that was there but could not be read would lose it.
	if (exists && !read)
	{
		ReportNotOverwritten(path, readProblem);
		writeBack = false;
	}
	// Only a file that is really empty counts as none; anything else that does not parse is kept.
	else if (read && !IsBlank(text))
	{
		byteOrderMark = StartsWithByteOrderMark(text);
		const std::string problem = ParseProblem(*document, text);
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
	else if (keyElement->GetUserData() == &unreadableText)
		ReplaceUnreadableText(*keyElement, value);
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

// The user wrote the text by hand: before a system's value overwrites it, say so and quote it,
// and have the file as it was kept when it is written.
void Config::ReplaceUnreadableText(TiXmlElement& keyElement, const std::string& value) const
{
	const TiXmlNode* first = keyElement.FirstChild();
	const std::string text = first && first->ToText() ? first->ValueStr() : std::string();
	if (text == value)
		return;
	keyElement.SetUserData(nullptr);
	TiXmlDocument* document = keyElement.GetDocument();
	if (document == nullptr)
		return;
	document->SetUserData(&holdsReplacedText);
	tw::Diagnostics::Report("Config: setting '" + keyElement.ValueStr() + "' of '" + Element().ValueStr() + "' reads \"" + text +
		"\", which could not be read; it will be replaced by \"" + value + "\" when '" + document->ValueStr() +
		"' is saved, and the file as it was is kept as a .bak backup");
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
	{
		tw::Diagnostics::Report("Config: setting '" + key + "' of '" + Element().ValueStr() + "' reads \"" + first->ValueStr() + "\", which is not " +
			expected + "; the default " + ValueText::Format(defaultValue) + " is used");
		Element().FirstChildElement(key)->SetUserData(&unreadableText);
	}
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
	std::error_code backupError;
	if (document->GetUserData() == &holdsReplacedText && std::filesystem::exists(path, backupError))
	{
		const std::string backup = BackUp(path, backupError);
		if (backupError)
		{
			std::cerr << "Config: '" << path << "' not saved: it holds settings that were unreadable and could not be kept as a backup ("
					  << backupError.message() << ")\n";
			return;
		}
		std::cerr << "Config: '" << path << "': its unreadable settings are replaced; the file as it was is kept as '" << backup << "'\n";
		document->SetUserData(nullptr);
	}
	TiXmlPrinter printer;
	document->Accept(&printer);
	const std::string text = (byteOrderMark ? std::string(kByteOrderMark) : std::string()) + printer.Str();
	std::string error;
	if (!ReplaceFileContents(path, text, error))
		std::cerr << "Config: '" << path << "' not saved: " << error << '\n';
}
