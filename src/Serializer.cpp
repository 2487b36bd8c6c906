#include "Serializer.h"

#include "Platform/OpenedFile.h"
#include "Platform/OpenedFolder.h"
#include "Utilities/BinaryFile.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/HashMap.h"
#include "Utilities/SearchPaths.h"
#include "Utilities/XmlNesting.h"

#include <tinyxml.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

namespace
{
	using Tree = Serializer::Tree;

	// Files that start with these bytes are binary chunk files, never XML data.
	constexpr char kBinaryFileMark[4] = {0x12, 0x41, 0x21, 0x53};

	struct CachedFile
	{
		std::shared_ptr<Tree> tree;
		// Where the file was found; empty for documents parsed from a stream.
		std::string path;
	};

	// Keyed by the file name exactly as the caller passed it.
	tw::hash_map<std::string, CachedFile>& FileCache()
	{
		static tw::hash_map<std::string, CachedFile> cache;
		return cache;
	}

	// Names of the files being parsed right now, outermost first.
	std::vector<std::string>& LoadingChain()
	{
		static std::vector<std::string> chain;
		return chain;
	}

	class LoadingChainEntry
	{
	public:
		explicit LoadingChainEntry(const std::string& fileName) { LoadingChain().push_back(fileName); }
		~LoadingChainEntry() { LoadingChain().pop_back(); }
		LoadingChainEntry(const LoadingChainEntry&) = delete;
		LoadingChainEntry& operator=(const LoadingChainEntry&) = delete;
	};

	std::string DescribeChain(const std::string& repeated)
	{
		std::string text;
		for (const std::string& name : LoadingChain())
			text += name + " -> ";
		return text + repeated;
	}

	std::string DiagnosticLine(const std::string& fileName, const std::string& problem)
	{
		return "Serializer: '" + (fileName.empty() ? std::string("(unnamed document)") : fileName) + "': " + problem;
	}

	// A problem of a whole document. One read from a file is printed once and then counted: the
	// same file may be tried again and again (a spawner naming an unreadable file, many a frame).
	void ReportDocumentProblem(const std::string& fileName, const std::string& problem, bool fromFile)
	{
		if (fromFile)
			tw::Diagnostics::ReportOnce(DiagnosticLine(fileName, problem));
		else
			std::cerr << DiagnosticLine(fileName, problem) << '\n';
	}

	bool IsHeader(const Tree::const_iterator& position)
	{
		return position.is_leaf() && !position->isValue;
	}

	void SkipHeaders(Tree::iterator& position)
	{
		while (IsHeader(position))
			++position;
	}

	// The text of an element whose first children are text: that makes the element a value. A
	// value saved in several CDATA sections comes back as one text.
	std::optional<std::string> TextOfValueElement(const TiXmlElement& element)
	{
		std::string text;
		for (const TiXmlNode* node = element.FirstChild(); node && node->ToText(); node = node->NextSibling())
			text += node->ValueStr();
		if (text.empty())
			return std::nullopt;
		return text;
	}

	// TinyXML trims and condenses the spaces of text when it parses and drops text that is
	// all white space, except inside CDATA; such values go into CDATA so they come back exact.
	void AppendText(TiXmlElement& element, const std::string& value)
	{
		const bool allWhiteSpace = value.find_first_not_of(" \t\r\n") == std::string::npos;
		const bool condensable = value.front() == ' ' || value.back() == ' ' || value.find("  ") != std::string::npos;
		if (!allWhiteSpace && !condensable)
		{
			element.LinkEndChild(new TiXmlText(value));
			return;
		}
		// A CDATA section cannot hold "]]>": the text is split between its "]]" and ">" into
		// sections that loading joins again.
		constexpr std::string_view kSectionEnd = "]]>";
		std::size_t start = 0;
		for (std::size_t end = value.find(kSectionEnd); end != std::string::npos; end = value.find(kSectionEnd, start))
		{
			auto* section = new TiXmlText(value.substr(start, end + 2 - start));
			section->SetCDATA(true);
			element.LinkEndChild(section);
			start = end + 2;
		}
		auto* section = new TiXmlText(value.substr(start));
		section->SetCDATA(true);
		element.LinkEndChild(section);
	}

	// Copies the document below from into this tree under parent, marking every node as
	// coming from an archetype and moving it depthOffset steps deeper.
	void CopyArchetype(const Tree& source, Tree::const_iterator from, Tree& target, Tree::iterator parent, unsigned depthOffset)
	{
		for (Tree::const_iterator child = source.begin(from); !child.is_end(); ++child)
		{
			if (child.is_leaf())
			{
				Serializer::NodeData copy = *child;
				copy.depth += depthOffset;
				copy.fromArchetype = true;
				target.InsertChild(parent, std::move(copy));
				continue;
			}
			Serializer::NodeData placeholder;
			placeholder.fromArchetype = true;
			Tree::iterator group = target.InsertChild(parent, std::move(placeholder));
			CopyArchetype(source, child, target, group, depthOffset);
		}
	}

	// After a save, every entry whose load would now read the saved file is stale: the entry under
	// the saved name, one parsed from that file, and one whose name the search paths now resolve to
	// it. A shipped level stays cached under its bare name when the user's copy saved into the user
	// folder comes to shadow it, and a restart of the level would bring the shipped one back.
	void ForgetCachedFile(const std::string& fileName)
	{
		namespace fs = std::filesystem;
		std::error_code error;
		const fs::path saved = fs::weakly_canonical(fileName, error);
		const auto isSavedFile = [&](const std::string& path) {
			std::error_code pathError;
			return !error && !path.empty() && fs::weakly_canonical(path, pathError) == saved && !pathError;
		};
		const fs::path savedFileName = fs::path(fileName).filename();
		auto& cache = FileCache();
		for (auto entry = cache.begin(); entry != cache.end();)
		{
			// Only a name ending in the saved file's name can resolve to it: the others are not looked up.
			const bool resolvesToSaved = fs::path(entry->first).filename() == savedFileName && isSavedFile(FindFile(entry->first));
			if (entry->first == fileName || isSavedFile(entry->second.path) || resolvesToSaved)
				entry = cache.erase(entry);
			else
				++entry;
		}
	}
}

Serializer::Serializer() : tree(std::make_shared<Tree>())
{
	cursor = tree->begin(tree->root());
}

bool Serializer::LoadFile(const std::string& name)
{
	// Only regular files of a bounded size: "/dev/zero" must not be read until memory runs out.
	return LoadDocument(name, nullptr, [&name](std::string& text, std::string& path, std::string& problem) {
		path = FindFile(name);
		return ReadFileAt(path, text, problem);
	}, "is not a readable file, here or in the search paths");
}

bool Serializer::LoadOpenedFile(const OpenedFile& file, const std::string& name)
{
	return LoadDocument(name, &file.RealPath(), [&file](std::string& text, std::string& path, std::string& problem) {
		path = file.RealPath();
		return ReadOpenedFile(file, text, problem, kMaxDataFileBytes);
	}, "is not a readable file");
}

bool Serializer::LoadDocument(const std::string& name, const std::string* readFrom, const DocumentReader& read, const char* unreadable)
{
	writeMode = false;
	fileName = name;
	bool loaded = AdoptCachedTree(name, readFrom);
	if (!loaded)
	{
		std::string text;
		std::string path;
		std::string problem;
		if (read(text, path, problem))
			loaded = ParseAndCache(text, name, path);
		else
			ReportDocumentProblem(fileName, std::string(unreadable) + " (" + problem + ")", true);
	}
	Rewind();
	return loaded;
}

bool Serializer::LoadFromStream(std::istream& in, const std::string& name)
{
	writeMode = false;
	fileName = name;
	bool loaded = AdoptCachedTree(name);
	if (!loaded && !in)
		Report("the stream cannot be read");
	else if (!loaded)
		loaded = ParseAndCache(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), name, std::string());
	Rewind();
	return loaded;
}

bool Serializer::AdoptCachedTree(const std::string& name, const std::string* readFrom)
{
	const auto cached = FileCache().find(name);
	if (cached == FileCache().end() || (readFrom != nullptr && cached->second.path != *readFrom))
		return false;
	tree = cached->second.tree;
	return true;
}

bool Serializer::ParseAndCache(const std::string& text, const std::string& name, const std::string& path)
{
	const auto& chain = LoadingChain();
	if (std::find(chain.begin(), chain.end(), name) != chain.end())
	{
		Report("includes itself through " + DescribeChain(name) + "; that inclusion is skipped");
		return false;
	}
	if (text.compare(0, sizeof kBinaryFileMark, kBinaryFileMark, sizeof kBinaryFileMark) == 0)
	{
		ReportDocumentProblem(fileName, "is a binary file, not an XML data file", !path.empty());
		return false;
	}
	if (tw::NestsDeeperThan(text, tw::kMaxXmlNesting))
	{
		ReportDocumentProblem(fileName, "nests its elements more than " + std::to_string(tw::kMaxXmlNesting) + " deep; it is not read", !path.empty());
		return false;
	}
	TiXmlDocument document;
	document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
	if (document.Error())
	{
		ReportDocumentProblem(fileName, std::string("is not well-formed XML: ") + document.ErrorDesc() + " (line " + std::to_string(document.ErrorRow()) +
							  ", column " + std::to_string(document.ErrorCol()) + ")",
			!path.empty());
		return false;
	}
	const TiXmlElement* rootElement = document.RootElement();
	if (!rootElement)
	{
		ReportDocumentProblem(fileName, "holds no XML element", !path.empty());
		return false;
	}

	LoadingChainEntry entry(name);
	auto loaded = std::make_shared<Tree>();
	const unsigned savedDepth = depth;
	LoadElement(*rootElement, *loaded, loaded->root());
	depth = savedDepth;
	FileCache()[name] = CachedFile{loaded, path};
	tree = std::move(loaded);
	return true;
}

void Serializer::LoadElement(const TiXmlElement& element, Tree& target, Tree::iterator parent)
{
	const char* fileAttribute = element.Attribute("file");
	const std::string archetypeFile = fileAttribute ? fileAttribute : "";
	std::optional<std::string> text = TextOfValueElement(element);
	const bool isValue = text.has_value();

	NodeData header;
	header.typeName = element.Value();
	if (const char* name = element.Attribute("name"))
		header.name = name;
	header.depth = archetypeFile.empty() ? depth : depth + 1;
	header.isValue = isValue;
	header.value = text ? std::move(*text) : archetypeFile;
	target.InsertChild(parent, std::move(header));

	if (!archetypeFile.empty())
	{
		++depth;
		SpliceArchetype(archetypeFile, target, parent);
		--depth;
	}
	if (isValue)
		return;

	for (const TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement())
	{
		if (TextOfValueElement(*child))
		{
			LoadElement(*child, target, parent);
			continue;
		}
		++depth;
		Tree::iterator group = target.InsertChild(parent, NodeData());
		LoadElement(*child, target, group);
		--depth;
	}
}

void Serializer::SpliceArchetype(const std::string& archetypeFile, Tree& target, Tree::iterator parent)
{
	Serializer archetype;
	if (!archetype.LoadFile(archetypeFile))
	{
		Report("archetype '" + archetypeFile + "' could not be loaded; the element keeps only its own contents");
		return;
	}
	CopyArchetype(*archetype.tree, std::as_const(*archetype.tree).root(), target, parent, depth);
}

bool Serializer::SaveFile(const std::string& name)
{
	const std::filesystem::path path(name);
	return SaveFile(OpenedFolder(path.parent_path().string()), path.filename().string());
}

bool Serializer::SaveFile(const OpenedFolder& folder, const std::string& name)
{
	const std::string path = folder.Path() + name;
	std::ostringstream text;
	if (!SaveToStream(text))
	{
		std::cerr << DiagnosticLine(path, "the document could not be printed") << '\n';
		return false;
	}
	std::string error;
	// A saved level replaces a link of its name: written through, a user folder's link could
	// rewrite the game's own level.
	if (!folder.ReplaceFile(name, text.str(), error))
	{
		std::cerr << DiagnosticLine(path, "not saved: " + error) << '\n';
		return false;
	}
	// A later load of this file must see what was just written, not the parse of the old one.
	ForgetCachedFile(path);
	fileName = path;
	return true;
}

bool Serializer::SaveToStream(std::ostream& out) const
{
	if (!out)
		return false;
	TiXmlDocument document;
	auto* rootElement = new TiXmlElement("Unknown");
	document.LinkEndChild(rootElement);
	const Tree& documentTree = *tree;
	SaveElement(*rootElement, documentTree.begin(documentTree.root()));

	TiXmlPrinter printer;
	printer.SetIndent("\t");
	printer.SetLineBreak("\n");
	document.Accept(&printer);
	out << printer.Str();
	return static_cast<bool>(out);
}

void Serializer::SaveElement(TiXmlElement& element, Tree::const_iterator list) const
{
	// An element's own header is the first node of its list. Nodes that came from an archetype
	// file are left out: the "file" attribute brings them back on the next load.
	const NodeData* header = IsHeader(list) && !list->fromArchetype ? &*list : nullptr;
	element.SetValue(header && !header->typeName.empty() ? header->typeName : "Unknown");
	if (header && header->name)
		element.SetAttribute("name", *header->name);
	if (header && !header->value.empty())
		element.SetAttribute("file", header->value);

	for (Tree::const_iterator node = list; !node.is_end(); ++node)
	{
		if (node.is_leaf())
		{
			const NodeData& data = *node;
			if (!data.isValue || data.fromArchetype)
				continue;
			auto* valueElement = new TiXmlElement(data.typeName.empty() ? std::string("Unknown") : data.typeName);
			if (data.name)
				valueElement->SetAttribute("name", *data.name);
			// An empty value stays an empty element, which reads back as empty text.
			if (!data.value.empty())
				AppendText(*valueElement, data.value);
			element.LinkEndChild(valueElement);
			continue;
		}
		const Tree::const_iterator inside = tree->begin(node);
		if (inside.is_leaf() && inside->fromArchetype)
			continue;
		auto* childElement = new TiXmlElement("Unknown");
		element.LinkEndChild(childElement);
		SaveElement(*childElement, inside);
	}
}

void Serializer::EnterNode(std::string archetypeFile, const std::string& typeName)
{
	if (writeMode)
	{
		Tree::iterator container = cursor.parent();
		Tree::iterator group = tree->InsertChild(container, NodeData());
		++depth;
		NodeData header;
		header.typeName = typeName;
		if (!archetypeFile.empty())
		{
			header.value = std::move(archetypeFile);
			++depth;
		}
		header.depth = depth;
		tree->InsertChild(group, std::move(header));
		cursor = tree->end(group);
		return;
	}

	if (missingElements > 0)
	{
		++missingElements;
		return;
	}
	SkipHeaders(cursor);
	if (cursor.is_end())
	{
		Report("no element where element " + std::to_string(ValuesBefore(cursor) + 1) + " of '" + ElementName(cursor) +
			   "' was expected; it reads as empty");
		++missingElements;
		return;
	}
	if (cursor.is_leaf())
	{
		// Stepped past, or a loop entering the children of an element would meet it forever.
		ReportStrayValue("it is skipped and the element expected reads as empty");
		++cursor;
		++missingElements;
		return;
	}
	Tree::iterator inside = tree->begin(cursor);
	while (IsHeader(inside))
	{
		depth = inside->depth;
		++inside;
	}
	cursor = inside;
}

int Serializer::EnterElementAtDepth()
{
	const int depthBefore = static_cast<int>(depth);
	EnterNode("", "");
	const int depthNow = static_cast<int>(depth);
	return depthNow > depthBefore ? depthBefore : depthNow - 1;
}

void Serializer::LeaveNode()
{
	if (missingElements > 0)
	{
		--missingElements;
		return;
	}
	Tree::iterator element = cursor.parent();
	if (element == tree->root())
	{
		Report("an element was left that was never entered");
		return;
	}
	const Tree::iterator first = tree->begin(element);
	if (IsHeader(first))
	{
		depth = first->depth > 0 ? first->depth - 1 : 0;
		if (!first->value.empty() && depth > 0)
			--depth;
	}
	else if (depth > 0)
		--depth;
	cursor = element;
	++cursor;
}

void Serializer::SkipNode()
{
	if (writeMode || missingElements > 0 || cursor.is_end())
	{
		if (writeMode && depth > 0)
			--depth;
		return;
	}
	const auto nodeDepth = [this](Tree::iterator position)
	{
		while (position.is_node())
			position = tree->begin(position);
		return position.is_end() ? 0u : position->depth;
	};
	const unsigned startDepth = nodeDepth(cursor);
	for (; !cursor.is_end(); ++cursor)
	{
		if (nodeDepth(cursor) < startDepth)
		{
			if (depth > 0)
				--depth;
			return;
		}
	}
}

bool Serializer::NextElement()
{
	if (writeMode || missingElements > 0)
		return false;
	SkipHeaders(cursor);
	while (cursor.is_leaf())
	{
		ReportStrayValue("it is skipped");
		++cursor;
		SkipHeaders(cursor);
	}
	return cursor.is_node();
}

namespace
{
	// Copies the sibling list from source into target under parent; every depth is moved by shift.
	void CopyList(Serializer::Tree& target, Serializer::Tree::iterator parent, const Serializer::Tree& source,
		Serializer::Tree::const_iterator list, int shift)
	{
		for (Serializer::Tree::const_iterator node = list; !node.is_end(); ++node)
		{
			if (node.is_leaf())
			{
				Serializer::NodeData data = *node;
				data.depth = static_cast<unsigned>(std::max(0, static_cast<int>(data.depth) + shift));
				target.InsertChild(parent, std::move(data));
				continue;
			}
			Serializer::Tree::iterator group = target.InsertChild(parent, Serializer::NodeData());
			CopyList(target, group, source, source.begin(node), shift);
		}
	}
}

Serializer::Fragment Serializer::CopyElement() const
{
	if (writeMode || missingElements > 0)
		return nullptr;
	Tree::iterator element = cursor;
	SkipHeaders(element);
	if (!element.is_node())
		return nullptr;
	auto copy = std::make_shared<Tree>();
	Tree::iterator root = copy->root();
	Tree::iterator group = copy->InsertChild(root, NodeData());
	// Depths are kept relative to the element's container, whose depth is the cursor's.
	CopyList(*copy, group, *tree, tree->begin(element), -static_cast<int>(depth));
	return copy;
}

void Serializer::WriteFragment(const Fragment& fragment)
{
	if (!writeMode || fragment == nullptr)
		return;
	Tree::iterator container = cursor.parent();
	CopyList(*tree, container, *fragment, fragment->begin(fragment->root()), static_cast<int>(depth));
}

std::optional<Serializer::Tree::iterator> Serializer::ProbeAtCursor() const
{
	if (missingElements > 0)
		return std::nullopt;
	Tree::iterator probe = cursor;
	SkipHeaders(probe);
	return probe;
}

bool Serializer::HasMore() const
{
	const std::optional<Tree::iterator> probe = ProbeAtCursor();
	return probe && !probe->is_end();
}

bool Serializer::HasValue() const
{
	const std::optional<Tree::iterator> probe = ProbeAtCursor();
	return probe && (probe->is_leaf() || IsEmptyValue(*probe));
}

bool Serializer::IsEmptyValue(Tree::iterator position) const
{
	// An element holding nothing at all is how an empty value comes back from the file.
	return position.is_node() && position.child_count() == 1 && IsHeader(tree->begin(position)) && tree->begin(position)->value.empty();
}

bool Serializer::NextValueHasType(const char* typeName) const
{
	const std::optional<Tree::iterator> probe = ProbeAtCursor();
	return probe && !probe->is_end() && probe->is_leaf() && (*probe)->isValue && (*probe)->typeName == typeName;
}

const char* Serializer::PeekValue() const
{
	if (missingElements > 0)
		return nullptr;
	const Tree::iterator first = tree->begin(cursor.parent());
	if (IsHeader(first) && !first->value.empty())
		return first->value.c_str();
	return nullptr;
}

void Serializer::Rewind()
{
	depth = 0;
	missingElements = 0;
	cursor = tree->begin(tree->root());
	SkipHeaders(cursor);
}

void Serializer::SwitchToReading()
{
	writeMode = false;
	Rewind();
}

std::string Serializer::ReadString()
{
	std::string text;
	Read(text);
	return text;
}

namespace
{
	// Appends copies of the nodes from first to the end of its list under target's node at parent.
	void CopyList(Serializer::Tree& target, Serializer::Tree::iterator parent, const Serializer::Tree& source,
		Serializer::Tree::const_iterator first)
	{
		for (Serializer::Tree::const_iterator node = first; !node.is_end(); ++node)
		{
			if (node.is_leaf())
			{
				target.InsertChild(parent, *node);
				continue;
			}
			// Inserting under the new leaf turns it into an element.
			Serializer::Tree::iterator element = target.InsertChild(parent, Serializer::NodeData());
			CopyList(target, element, source, source.begin(node));
		}
	}
}

std::shared_ptr<const Serializer::Tree> Serializer::KeepRest()
{
	auto kept = std::make_shared<Tree>();
	if (writeMode || missingElements > 0 || cursor.is_end())
		return kept;
	CopyList(*kept, kept->root(), *tree, cursor);
	cursor = tree->end(cursor.parent());
	return kept;
}

void Serializer::WriteKept(const Tree& kept)
{
	if (!writeMode)
		return;
	CopyList(*tree, cursor.parent(), kept, kept.begin(kept.root()));
}

void Serializer::ClearFileCache()
{
	FileCache().clear();
}

const Serializer::NodeData* Serializer::NextValue(const char* typeName)
{
	if (missingElements > 0)
		return nullptr;
	SkipHeaders(cursor);
	if (cursor.is_leaf())
	{
		const NodeData* value = &*cursor;
		++cursor;
		return value;
	}
	if (IsEmptyValue(cursor))
	{
		const Tree::iterator inside = tree->begin(cursor);
		++cursor;
		return &*inside;
	}
	Report(std::string("value ") + std::to_string(ValuesBefore(cursor) + 1) + " of '" + ElementName(cursor) + "' (" + typeName + ") is " +
		   (cursor.is_end() ? "missing" : "an element") + "; the default is kept");
	return nullptr;
}

void Serializer::AppendValue(const char* name, const char* typeName, std::string text)
{
	if (!writeMode)
	{
		Report(std::string("value '") + (name ? name : "") + "' written while reading; it is ignored");
		return;
	}
	NodeData value;
	value.value = std::move(text);
	value.typeName = typeName;
	if (name)
		value.name = name;
	value.depth = depth;
	value.isValue = true;
	Tree::iterator container = cursor.parent();
	tree->InsertChild(container, std::move(value));
}

void Serializer::ReportMisread(const NodeData& node, const char* typeName, ValueText::Reading reading) const
{
	if (node.misreadReported)
		return;
	node.misreadReported = true;
	const std::string outcome = reading == ValueText::Reading::Partial
		? std::string("of which only the start reads as ") + typeName + "; the rest is ignored"
		: std::string("which is not a ") + typeName + "; the default is kept";
	Report("value " + std::to_string(ValuesBefore(cursor)) + (node.name ? " '" + *node.name + "'" : std::string()) + " of '" +
		   ElementName(cursor) + "' reads \"" + node.value + "\", " + outcome);
}

void Serializer::ReportStrayValue(const std::string& outcome) const
{
	Report("value " + std::to_string(ValuesBefore(cursor) + 1) + (cursor->name ? " '" + *cursor->name + "'" : std::string()) + " of '" +
		   ElementName(cursor) + "' stands where an element was expected; " + outcome);
}

void Serializer::Report(const std::string& problem) const
{
	std::cerr << DiagnosticLine(fileName, problem) << '\n';
}



std::string Serializer::ElementName(Tree::const_iterator position) const
{
	const Tree::const_iterator first = std::as_const(*tree).begin(position.parent());
	if (IsHeader(first) && !first->typeName.empty())
		return first->typeName;
	return "Unknown";
}

std::size_t Serializer::ValuesBefore(Tree::const_iterator position) const
{
	std::size_t count = 0;
	for (Tree::const_iterator node = std::as_const(*tree).begin(position.parent()); !node.is_end() && !(node == position); ++node)
	{
		if (!IsHeader(node))
			++count;
	}
	return count;
}
