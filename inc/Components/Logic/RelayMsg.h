// RelayMsg: a message a level designer typed into a component's data, kept as the text (what is
// saved back) and parsed once into a prepared message that every send delivers again. A text that
// does not parse is refused at load with one diagnostic: the record keeps its text and sends
// nothing. Copies share the prepared message. Also the list form every storing component uses, and
// KeyedRecords, the tables keyed by name that keep the order read so saving writes it back as read.
#pragma once

#include "Utilities/ParsedMessage.h"
#include "Serializer.h"

#include <string>
#include <utility>
#include <vector>

class Composition;
class Message;

struct RelayMsg
{
	// Parses the text; where names the object and component for the diagnostic of a refused text.
	RelayMsg(const std::string& text, const std::string& where);

	// Null when the text was refused.
	const Message* GetMessage() const;
	// Delivers the prepared message to the object itself, or to every member of its group.
	void SendTo(Composition& object) const;
	void SendToGroup(Composition& object) const;

	std::string rawData;
	ParsedMessage parsed;
	bool valid = false;
};

// Reads the next child element as a list of stored messages; texts not longer than skipLength
// are placeholders and are left out.
void ReadRelayList(Serializer& serializer, std::vector<RelayMsg>& list, const std::string& where, std::size_t skipLength = 0);
// Writes the list as one child element, every text under the key; an empty list gets the
// placeholder (an empty text) when asked, so that the child is not written empty.
void WriteRelayList(Serializer& serializer, const std::vector<RelayMsg>& list, const char* key, bool placeholder = false);
// "object \"Name\" (id N), Type": where a diagnostic about a component's data points.
std::string DescribeComponent(const Composition& owner, const char* type);

void ReportNested(const Composition& owner, const char* type, const char* message);

// Runs the handling of a message unless the same handling is already under way (its own sends
// led back to it): the nested arrival is then refused with one diagnostic, so it cannot recurse.
template <class Handle>
void HandleUnlessNested(bool& handling, const Composition& owner, const char* type, const char* message, Handle handle)
{
	if (handling)
	{
		ReportNested(owner, type, message);
		return;
	}
	handling = true;
	handle();
	handling = false;
}

// Records keyed by name, in the order read; of two records with one name the first stays.
template <class T>
class KeyedRecords
{
public:
	using Entry = std::pair<std::string, T>;

	T* Find(const std::string& key)
	{
		for (Entry& entry : entries)
			if (entry.first == key)
				return &entry.second;
		return nullptr;
	}
	// The record under the key, added when the key is new.
	T& FindOrAdd(const std::string& key)
	{
		if (T* found = Find(key))
			return *found;
		return entries.emplace_back(key, T{}).second;
	}
	// False (and nothing added) when the key is already taken.
	bool Add(const std::string& key, T record)
	{
		if (Find(key) != nullptr)
			return false;
		entries.emplace_back(key, std::move(record));
		return true;
	}

	std::vector<Entry>& Entries() { return entries; }
	const std::vector<Entry>& Entries() const { return entries; }

private:
	std::vector<Entry> entries;
};
