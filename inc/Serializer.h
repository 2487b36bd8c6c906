// Serializer: the one reader and writer of the game's XML data files (levels, object groups,
// archetypes, component fields). Components read their fields strictly by position and write
// them with a field name and a type name; a parsed file stays in a process-wide cache.
#pragma once

#include "Utilities/NTree.h"
#include "Utilities/Tuple.h"
#include "Utilities/ValueText.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

class OpenedFile;
class OpenedFolder;
class TiXmlElement;

// The element name under which each value type is written.
template <class T>
struct SerialTypeName;
template <> struct SerialTypeName<bool> { static constexpr const char* value = "bool"; };
template <> struct SerialTypeName<int> { static constexpr const char* value = "int"; };
template <> struct SerialTypeName<unsigned> { static constexpr const char* value = "unsigned"; };
template <> struct SerialTypeName<float> { static constexpr const char* value = "float"; };
template <> struct SerialTypeName<std::string> { static constexpr const char* value = "string"; };
template <> struct SerialTypeName<Tuple2<int>> { static constexpr const char* value = "Tuple2i"; };
template <> struct SerialTypeName<Tuple2<float>> { static constexpr const char* value = "Tuple2f"; };
template <> struct SerialTypeName<Tuple3<float>> { static constexpr const char* value = "Tuple3f"; };
template <> struct SerialTypeName<Tuple4<float>> { static constexpr const char* value = "Tuple4f"; };
template <> struct SerialTypeName<Tuple4<int>> { static constexpr const char* value = "Tuple4i"; };

class Serializer
{
public:
	// One node of the document. An element's header leaf (isValue false) carries its element
	// name, "name" attribute and archetype file; a value leaf carries the value as text.
	struct NodeData
	{
		// Value text, or for a header the file named by its "file" attribute (empty: none).
		std::string value;
		// XML element name ("float", "Object", ...); empty when there is none.
		std::string typeName;
		std::optional<std::string> name;
		// Nesting depth; it rises one more step at every element spliced in from a file, which
		// is how level loading tells inherited objects and components from the level's own.
		unsigned depth = 0;
		bool isValue = false;
		// Copied in from an archetype file; saving writes the file's name, not these nodes.
		bool fromArchetype = false;
		// Set once a reader has said the value does not read as its type: every object made
		// from a cached archetype reads the same node.
		mutable bool misreadReported = false;
	};
	using Tree = tw::n_tree<NodeData>;

	Serializer();
	Serializer(const Serializer&) = delete;
	Serializer& operator=(const Serializer&) = delete;

	// Loads a data file found through the search paths, or takes it from the file cache.
	bool LoadFile(const std::string& fileName);
	// Loads the document of a file the caller opened and checked, cached under fileName. A cached
	// copy is taken only when it was read from that same file: another file of the name found
	// elsewhere before (or by another lookup) is not what the caller checked.
	bool LoadOpenedFile(const OpenedFile& file, const std::string& fileName);
	// Parses a document from a stream and caches it under fileName.
	bool LoadFromStream(std::istream& in, const std::string& fileName);
	// Writes the whole document; the target file is replaced only once the write has succeeded.
	// A link in the place of the file is replaced, not written through.
	bool SaveFile(const std::string& fileName);
	// As SaveFile, into the folder as it was opened, whatever its path leads to by now.
	bool SaveFile(const OpenedFolder& folder, const std::string& fileName);
	bool SaveToStream(std::ostream& out) const;

	// Write mode: opens a nested element (with an archetype file when fileName is not empty).
	// Read mode: descends into the next element, whatever its name; the arguments are ignored.
	void EnterNode(std::string fileName, const std::string& typeName);
	// Read mode: enters the next element and gives the depth it stands at, which a loader
	// compares with its base depth to tell inherited elements from the file's own. Entering an
	// element spliced in from a file rises one step more than entering the file's own.
	int EnterElementAtDepth();
	void LeaveNode();
	// Leaves the rest of the current element unread (read mode), or marks the element's
	// contents as living in its archetype file (write mode).
	void SkipNode();
	// True while the current element has a further value or element at the cursor.
	bool HasMore() const;
	// True when a value (not an element) is at the cursor: what the next Read takes.
	bool HasValue() const;
	// True when the next value is written as a T, so that a reader can tell which of its
	// optional values a record holds.
	template <class T>
	bool NextValueIs() const
	{
		return NextValueHasType(SerialTypeName<T>::value);
	}
	// Read mode: steps past values standing where the loop over an element's children expects
	// elements, one diagnostic each; true when an element is at the cursor.
	bool NextElement();
	// The archetype file of the element just entered, or null when it named none.
	const char* PeekValue() const;
	// Back to the first value of the document's root element, depth 0.
	void Rewind();
	// Clears write mode and rewinds, so what was written can be read back.
	void SwitchToReading();
	// The nesting depth at the cursor; it rises one extra step inside archetype contents.
	unsigned GetDepth() const { return depth; }

	// Reads the next value into out; a missing or unreadable value leaves out as it was, and a
	// value followed by other text keeps what was read. Either is reported once per value.
	template <class T>
	Serializer& Read(T& out)
	{
		const NodeData* node = NextValue(SerialTypeName<T>::value);
		if (!node)
			return *this;
		if constexpr (std::is_same_v<T, std::string>)
			out = node->value;
		else if (const ValueText::Reading reading = ValueText::ParseChecked(node->value, out); reading != ValueText::Reading::Whole)
			ReportMisread(*node, SerialTypeName<T>::value, reading);
		return *this;
	}
	std::string ReadString();
	// Read mode: copies what the current element holds from the cursor to its end (values and
	// nested elements) and moves past it. WriteKept appends such a copy to the current element in
	// write mode, so data a reader cannot interpret is saved back as it came.
	std::shared_ptr<const Tree> KeepRest();
	void WriteKept(const Tree& kept);

	// Appends a value named name (no name attribute when null) to the current element.
	template <class T>
	Serializer& Write(const char* name, const T& value)
	{
		if constexpr (std::is_same_v<T, std::string>)
			AppendValue(name, SerialTypeName<T>::value, value);
		else
			AppendValue(name, SerialTypeName<T>::value, ValueText::Format(value));
		return *this;
	}

	// Forgets every parsed file, so the next load reads it from disk again.
	static void ClearFileCache();

	// A copy of one element with everything inside it: what a reader keeps of data it does not
	// understand, so that saving writes it back unchanged and loses nothing.
	using Fragment = std::shared_ptr<const Tree>;
	// Read mode: a copy of the element at the cursor (null when no element stands there); the
	// cursor does not move.
	Fragment CopyElement() const;
	// Write mode: appends the copied element to the current element.
	void WriteFragment(const Fragment& fragment);

private:
	// Reads a document's text and the path it came from, or says why it could not.
	using DocumentReader = std::function<bool(std::string& text, std::string& path, std::string& problem)>;
	// Takes the named document from the cache (when readFrom is given, only one parsed from that
	// path), else reads and caches it; unreadable says what a failed read was.
	bool LoadDocument(const std::string& fileName, const std::string* readFrom, const DocumentReader& read, const char* unreadable);
	// Takes the cached tree of the name; when readFrom is given, only one parsed from that path.
	bool AdoptCachedTree(const std::string& fileName, const std::string* readFrom = nullptr);
	bool ParseAndCache(const std::string& text, const std::string& fileName, const std::string& path);
	void LoadElement(const TiXmlElement& element, Tree& target, Tree::iterator parent);
	void SpliceArchetype(const std::string& archetypeFile, Tree& target, Tree::iterator parent);
	void SaveElement(TiXmlElement& element, Tree::const_iterator list) const;

	const NodeData* NextValue(const char* typeName);
	// Where the next read would start, past the headers; nothing while inside missing elements.
	std::optional<Tree::iterator> ProbeAtCursor() const;
	bool IsEmptyValue(Tree::iterator position) const;
	bool NextValueHasType(const char* typeName) const;
	void AppendValue(const char* name, const char* typeName, std::string text);
	void ReportMisread(const NodeData& node, const char* typeName, ValueText::Reading reading) const;
	void ReportStrayValue(const std::string& outcome) const;
	void Report(const std::string& problem) const;
	std::string ElementName(Tree::const_iterator position) const;
	std::size_t ValuesBefore(Tree::const_iterator position) const;

	// Loaded trees are shared with the file cache and every serializer that loaded the same
	// name; the pointer keeps a tree alive while a serializer still walks it.
	std::shared_ptr<Tree> tree;
	Tree::iterator cursor;
	std::string fileName;
	unsigned depth = 0;
	// Elements that read mode was asked to enter but that were not there: each reads as empty
	// and is closed by one LeaveNode, so a damaged file cannot misalign the walk.
	unsigned missingElements = 0;
	bool writeMode = true;
};
