// Config: a handle onto one element of the configuration document ("Tumblewreck.cfg"), with
// typed getters that fall back to a default on a missing or malformed setting. ConfigFile is the
// handle that loaded the file: it owns the document and writes it back when it is destroyed.
#pragma once

#include "Utilities/UnorderedVector.h"

#include <memory>
#include <string>

class TiXmlDocument;
class TiXmlElement;
class ConfigFile;

class Config
{
public:
	// A handle onto nothing: every getter throws FLException "No config file loaded.".
	Config() = default;

	static ConfigFile Load(const std::string& path);

	// The first child element of that name, added when there is none.
	Config GetSection(const std::string& name) const;
	Config AddSection(const std::string& name) const;
	// Every child element of that name, in document order.
	tw::unordered_vector<Config> GetAll(const std::string& name) const;

	// The key element's text; empty when the element holds no text, the default when it is absent.
	std::string GetString(const std::string& key, const std::string& defaultValue) const;
	// An unreadable setting gives the default, with one diagnostic naming the element, key and text.
	int GetInt(const std::string& key, int defaultValue) const;
	float GetFloat(const std::string& key, float defaultValue) const;
	// Only the words "true" and "false" count.
	bool GetBool(const std::string& key, bool defaultValue) const;

	// Replace the key element's contents with the value, adding the element when there is none.
	// Text that a getter could not read is quoted in a diagnostic as it is replaced, and the file
	// as it was is kept as a backup (under the ".bak" rules) before the document is written over it.
	void SetString(const std::string& key, const std::string& value) const;
	void SetInt(const std::string& key, int value) const;
	void SetFloat(const std::string& key, float value) const;
	void SetBool(const std::string& key, bool value) const;

protected:
	explicit Config(TiXmlElement* element) : element(element)
	{
	}

	TiXmlElement* element = nullptr;

private:
	TiXmlElement& Element() const;
	void ReplaceUnreadableText(TiXmlElement& keyElement, const std::string& value) const;
	template <class T>
	T GetValue(const std::string& key, T defaultValue, const char* expected) const;
};

// Move-only: a copy would write the same document back a second time.
class ConfigFile : public Config
{
public:
	ConfigFile(ConfigFile&& other) noexcept;
	ConfigFile& operator=(ConfigFile&& other) noexcept;
	ConfigFile(const ConfigFile&) = delete;
	ConfigFile& operator=(const ConfigFile&) = delete;
	~ConfigFile();

	// The file stays as it was found: nothing is written back when this goes.
	void LeaveFileUnwritten() { writeBack = false; }

private:
	friend class Config;
	ConfigFile(std::unique_ptr<TiXmlDocument> document, std::string path, bool byteOrderMark, bool writeBack);
	void WriteBack();

	std::unique_ptr<TiXmlDocument> document;
	std::string path;
	// The file started with a UTF-8 byte-order mark, which the written file keeps.
	bool byteOrderMark = false;
	// Cleared when a malformed file could not be backed up: writing would lose it.
	bool writeBack = true;
};
