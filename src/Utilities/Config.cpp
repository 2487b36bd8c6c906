#include "Utilities/Config.h"

#include "Utilities/FLException.h"
#include "Utilities/FileReplace.h"
#include "Utilities/ValueText.h"

#include <tinyxml.h>

#include <filesystem>
#include <fstream>
#include <iostream>

namespace
{
	constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

	bool StartsWithByteOrderMark(const std::string& path)
	{
		char start[3] = {};
		std::ifstream in(path, std::ios::binary);
		return in.read(start, sizeof start) && std::string(start, sizeof start) == kByteOrderMark;
	}

	std::string DescribeParseError(const TiXmlDocument& document)
	{
		return std::string(document.ErrorDesc()) + " (line " + std::to_string(document.ErrorRow()) + ", column " +
			   std::to_string(document.ErrorCol()) + ")";
	}

	// A file the user can no longer read back is still theirs: keep a copy before the defaults
	// written at exit replace it. False when no copy could be made, so it must not be overwritten.
	bool KeepMalformedFile(const std::string& path, const TiXmlDocument& document)
	{
		const std::string backup = path + ".bak";
		std::error_code error;
		std::filesystem::copy_file(path, backup, std::filesystem::copy_options::overwrite_existing, error);
		if (error)
		{
			std::cerr << "Config: '" << path << "' is not well-formed XML: " << DescribeParseError(document) << "; it could not be kept as '"
					  << backup << "' (" << error.message() << "), so it will not be overwritten; defaults are used\n";
			return false;
		}
		std::cerr << "Config: '" << path << "' is not well-formed XML: " << DescribeParseError(document) << "; it is kept as '" << backup
				  << "' and defaults are used\n";
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
	std::error_code error;
	const bool exists = std::filesystem::exists(path, error);
	// TinyXML's file loading fails badly on a folder, and writing back over something that was
	// there but could not be read would lose it.
	if (exists && !std::filesystem::is_regular_file(path, error))
	{
		ReportNotOverwritten(path, "is not a file");
		writeBack = false;
	}
	else if (exists && !document->LoadFile(TIXML_ENCODING_UNKNOWN))
	{
		if (document->ErrorId() == TiXmlBase::TIXML_ERROR_OPENING_FILE)
		{
			ReportNotOverwritten(path, "cannot be read");
			writeBack = false;
		}
		else if (document->ErrorId() != TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY)
			writeBack = KeepMalformedFile(path, *document);
		// What TinyXML built before the error is dropped: a half-read file gives no settings.
		document->Clear();
		document->ClearError();
	}
	TiXmlElement* root = document->FirstChildElement();
	if (!root)
		root = document->LinkEndChild(new TiXmlElement("Config"))->ToElement();

	ConfigFile file(std::move(document), path, StartsWithByteOrderMark(path), writeBack);
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
	return GetValue(key, defaultValue);
}

float Config::GetFloat(const std::string& key, float defaultValue) const
{
	return GetValue(key, defaultValue);
}

bool Config::GetBool(const std::string& key, bool defaultValue) const
{
	return GetValue(key, defaultValue);
}

TiXmlElement& Config::Element() const
{
	if (!element)
		FL_THROW("No config file loaded.");
	return *element;
}

template <class T>
T Config::GetValue(const std::string& key, T defaultValue) const
{
	const TiXmlElement* keyElement = Element().FirstChildElement(key);
	if (!keyElement)
		return defaultValue;
	const TiXmlNode* first = keyElement->FirstChild();
	if (!first || !first->ToText())
		return defaultValue;
	T value = defaultValue;
	ValueText::Parse(first->ValueStr(), value);
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
