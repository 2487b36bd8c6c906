#include "FileLocalNames.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <utility>

namespace file_local_names
{
	namespace
	{
		enum class Kind
		{
			Identifier,
			Literal,
			Punctuation
		};

		struct Token
		{
			std::string_view text;
			int line;
			Kind kind;
		};

		bool IsIdentifierStart(char c)
		{
			return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
		}

		bool IsIdentifierChar(char c)
		{
			return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
		}

		bool IsStringPrefix(std::string_view word)
		{
			static const std::set<std::string_view> kPrefixes = {"L", "u", "U", "u8", "R", "LR", "uR", "UR", "u8R"};
			return kPrefixes.count(word) != 0;
		}

		bool IsKeyword(std::string_view word)
		{
			static const std::set<std::string_view> kKeywords = {"alignas", "alignof", "asm", "auto", "bool",
				"break", "case", "catch", "char", "char8_t", "char16_t", "char32_t", "class", "concept", "const",
				"consteval", "constexpr", "constinit", "const_cast", "continue", "decltype", "default", "delete",
				"do", "double", "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false", "float",
				"for", "friend", "goto", "if", "inline", "int", "long", "mutable", "namespace", "new", "noexcept",
				"nullptr", "operator", "private", "protected", "public", "register", "reinterpret_cast",
				"requires", "return", "short", "signed", "sizeof", "static", "static_assert", "static_cast",
				"struct", "switch", "template", "this", "thread_local", "throw", "true", "try", "typedef",
				"typeid", "typename", "union", "unsigned", "using", "virtual", "void", "volatile", "wchar_t",
				"while", "__attribute__"};
			return kKeywords.count(word) != 0;
		}

		// Words that may stand before a declaration's type without being it.
		bool IsSpecifier(std::string_view word)
		{
			static const std::set<std::string_view> kSpecifiers = {"static", "inline", "constexpr", "consteval",
				"constinit", "const", "volatile", "extern", "thread_local", "mutable", "typedef", "friend"};
			return kSpecifiers.count(word) != 0;
		}

		// Splits a source into tokens, dropping comments and preprocessor lines; the macros the
		// source defines, and does not undefine again, go to `macros`.
		class Lexer
		{
		public:
			explicit Lexer(std::string_view source) : text(source) {}

			std::vector<Token> Run(std::vector<Name>& macros)
			{
				std::vector<Token> tokens;
				bool lineStart = true;
				while (at < text.size())
				{
					const char c = text[at];
					if (c == '\n')
					{
						++line;
						++at;
						lineStart = true;
						continue;
					}
					if (std::isspace(static_cast<unsigned char>(c)))
					{
						++at;
						continue;
					}
					if (c == '/' && Peek(1) == '/')
					{
						SkipLineComment();
						continue;
					}
					if (c == '/' && Peek(1) == '*')
					{
						SkipBlockComment();
						continue;
					}
					if (c == '#' && lineStart)
					{
						Directive(macros);
						continue;
					}
					lineStart = false;
					const std::size_t start = at;
					const int startLine = line;
					if (IsIdentifierStart(c))
					{
						while (at < text.size() && IsIdentifierChar(text[at]))
							++at;
						const std::string_view word = text.substr(start, at - start);
						if (at < text.size() && (text[at] == '"' || text[at] == '\'') && IsStringPrefix(word))
						{
							if (text[at] == '"' && word.back() == 'R')
								SkipRawString();
							else
								SkipQuoted(text[at]);
							tokens.push_back({text.substr(start, at - start), startLine, Kind::Literal});
						}
						else
							tokens.push_back({word, startLine, Kind::Identifier});
					}
					else if (std::isdigit(static_cast<unsigned char>(c)) || (c == '.' && std::isdigit(static_cast<unsigned char>(Peek(1)))))
					{
						SkipNumber();
						tokens.push_back({text.substr(start, at - start), startLine, Kind::Literal});
					}
					else if (c == '"' || c == '\'')
					{
						SkipQuoted(c);
						tokens.push_back({text.substr(start, at - start), startLine, Kind::Literal});
					}
					else
					{
						at += (c == ':' && Peek(1) == ':') ? 2 : 1;
						tokens.push_back({text.substr(start, at - start), startLine, Kind::Punctuation});
					}
				}
				return tokens;
			}

		private:
			char Peek(std::size_t ahead) const
			{
				return at + ahead < text.size() ? text[at + ahead] : '\0';
			}

			void SkipLineComment()
			{
				while (at < text.size() && text[at] != '\n')
					++at;
			}

			void SkipBlockComment()
			{
				at += 2;
				while (at < text.size() && !(text[at] == '*' && Peek(1) == '/'))
				{
					if (text[at] == '\n')
						++line;
					++at;
				}
				at = std::min(at + 2, text.size());
			}

			// A quoted literal ends at its closing quote or, unterminated, at the end of its line.
			void SkipQuoted(char quote)
			{
				++at;
				while (at < text.size() && text[at] != quote && text[at] != '\n')
					at += (text[at] == '\\' && Peek(1) != '\n' && at + 1 < text.size()) ? 2 : 1;
				if (at < text.size() && text[at] == quote)
					++at;
			}

			void SkipRawString()
			{
				const std::size_t open = text.find('(', at);
				if (open == std::string_view::npos)
				{
					at = text.size();
					return;
				}
				const std::string closing = ")" + std::string(text.substr(at + 1, open - at - 1)) + "\"";
				const std::size_t close = text.find(closing, open);
				const std::size_t end = close == std::string_view::npos ? text.size() : close + closing.size();
				line += static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(at), text.begin() + static_cast<std::ptrdiff_t>(end), '\n'));
				at = end;
			}

			// Digit separators ('), exponents' signs and suffixes belong to the number.
			void SkipNumber()
			{
				while (at < text.size())
				{
					const char c = text[at];
					if ((c == '+' || c == '-') && at > 0 && std::strchr("eEpP", text[at - 1]))
						++at;
					else if (IsIdentifierChar(c) || c == '.' || (c == '\'' && IsIdentifierChar(Peek(1))))
						++at;
					else
						break;
				}
			}

			// A directive runs to the end of its line, continued by backslashes; comments in it end
			// it no earlier than they end.
			void Directive(std::vector<Name>& macros)
			{
				const int directiveLine = line;
				std::string logical;
				++at;
				while (at < text.size() && text[at] != '\n')
				{
					if (text[at] == '\\' && Peek(1) == '\n')
					{
						++line;
						at += 2;
						logical += ' ';
					}
					else if (text[at] == '/' && Peek(1) == '*')
					{
						SkipBlockComment();
						logical += ' ';
					}
					else if (text[at] == '/' && Peek(1) == '/')
						SkipLineComment();
					else
						logical += text[at++];
				}
				std::size_t pos = 0;
				const auto word = [&]() {
					while (pos < logical.size() && std::isspace(static_cast<unsigned char>(logical[pos])))
						++pos;
					const std::size_t start = pos;
					while (pos < logical.size() && IsIdentifierChar(logical[pos]))
						++pos;
					return logical.substr(start, pos - start);
				};
				const std::string kind = word();
				if (kind != "define" && kind != "undef")
					return;
				const std::string name = word();
				if (name.empty())
					return;
				const std::string key = "#define " + name;
				if (kind == "define")
					macros.push_back({key, directiveLine});
				else
					macros.erase(std::remove_if(macros.begin(), macros.end(), [&](const Name& macro) { return macro.name == key; }), macros.end());
			}

			std::string_view text;
			std::size_t at = 0;
			int line = 1;
		};

		// A name declared at namespace scope: file-local when it stays the file's own (internal
		// linkage, a type, an alias); hidden when nothing outside the file can name it at all.
		struct Declared
		{
			const Token* token;
			bool fileLocal;
			bool hidden;
		};

		// The names a namespace-scope declaration declares, from its tokens.
		class Declaration
		{
		public:
			Declaration(const std::vector<Token>& tokens, std::size_t begin, std::size_t end, bool anonymous)
				: tokens(tokens), begin(begin), end(end), anonymous(anonymous)
			{
			}

			// Whether the tokens up to a brace open a class body: a class key leads, then at most its
			// name (`struct X : Base<(1 > 0)> {`), not `template <class T> void F() {` nor
			// `struct X Make() {`.
			bool IsClassHead() const
			{
				std::size_t i = Lead();
				if (!IsClassKey(Text(i)))
					return false;
				if (Text(i) == "enum" && (Text(i + 1) == "class" || Text(i + 1) == "struct"))
					++i;
				i = SkipPrefixes(i + 1);
				while (i < end && (tokens[i].kind == Kind::Identifier || Text(i) == "::"))
					++i;
				if (Text(i) == "<")
					i = SkipGroup(i, "<", ">");
				return Text(i) == "{" || Text(i) == ":";
			}

			// `body` is the index of its first top-level brace, or `end` without one.
			void Names(std::size_t body, std::vector<Declared>& found) const
			{
				const std::size_t first = Lead();
				if (first >= end)
					return;
				bool isStatic = false;
				bool isExtern = false;
				bool isTypedef = false;
				for (std::size_t i = begin; i < first; ++i)
				{
					isStatic |= Text(i) == "static";
					isExtern |= Text(i) == "extern" || Text(i) == "friend";
					isTypedef |= Text(i) == "typedef";
				}
				const bool hidden = anonymous || isStatic;
				const std::string_view lead = Text(first);
				if (lead == "using")
				{
					if (first + 2 < end && tokens[first + 1].kind == Kind::Identifier && Text(first + 2) == "=")
						found.push_back({&tokens[first + 1], true, hidden});
					return;
				}
				if (body < end && IsClassHead())
				{
					ClassNames(first, body, isTypedef || hidden, hidden, found);
					return;
				}
				const Token* name = DeclaratorName(first);
				if (name)
					found.push_back({name, !isExtern && (isTypedef || hidden || IsConstantVariable(name)), hidden});
			}

		private:
			std::string_view Text(std::size_t i) const
			{
				return i < tokens.size() ? tokens[i].text : std::string_view();
			}

			static bool IsClassKey(std::string_view word)
			{
				return word == "class" || word == "struct" || word == "union" || word == "enum";
			}

			// Index after the bracket group opening at `i`, its kind of brackets balanced.
			std::size_t SkipGroup(std::size_t i, std::string_view open, std::string_view close) const
			{
				int depth = 0;
				for (; i < end; ++i)
				{
					if (Text(i) == open)
						++depth;
					else if (Text(i) == close && --depth == 0)
						return i + 1;
				}
				return end;
			}

			// The first token past attributes, template heads and specifiers.
			std::size_t Lead() const
			{
				std::size_t i = SkipPrefixes(begin);
				while (i < end && IsSpecifier(Text(i)))
					i = SkipPrefixes(i + 1);
				return i;
			}

			// Past attributes and template heads, which name nothing of the file's own.
			std::size_t SkipPrefixes(std::size_t i) const
			{
				while (i < end)
				{
					if (Text(i) == "[" && Text(i + 1) == "[")
						i = SkipGroup(i, "[", "]");
					else if ((Text(i) == "alignas" || Text(i) == "__attribute__") && Text(i + 1) == "(")
						i = SkipGroup(i + 1, "(", ")");
					else if (Text(i) == "template" && Text(i + 1) == "<")
						i = SkipGroup(i + 1, "<", ">");
					else
						return i;
				}
				return i;
			}

			// A type defined in a source file is its own: another definition of it in the target is
			// either a clash in a batch or two types under one name.
			void ClassNames(std::size_t key, std::size_t body, bool localDeclarators, bool hidden, std::vector<Declared>& found) const
			{
				std::size_t i = key + 1;
				if (Text(key) == "enum" && (Text(i) == "class" || Text(i) == "struct"))
					++i;
				const bool unscopedEnum = Text(key) == "enum" && i == key + 1;
				i = SkipPrefixes(i);
				if (i < body && tokens[i].kind == Kind::Identifier && Text(i + 1) != "::" && Text(i + 1) != "<")
					found.push_back({&tokens[i], true, hidden});
				if (unscopedEnum)
					Enumerators(body, hidden, found);
				// The declarators after the body: `struct {...} kTable[] = ...;`, `typedef struct {...} Name;`.
				const std::size_t after = SkipGroup(body, "{", "}");
				if (after < end && tokens[after].kind == Kind::Identifier)
					found.push_back({&tokens[after], localDeclarators, hidden});
			}

			void Enumerators(std::size_t body, bool hidden, std::vector<Declared>& found) const
			{
				int depth = 0;
				for (std::size_t i = body; i < end; ++i)
				{
					const std::string_view text = Text(i);
					if (text == "{" || text == "(" || text == "[")
						++depth;
					else if (text == "}" || text == ")" || text == "]")
					{
						if (--depth == 0)
							return;
					}
					else if (depth == 1 && tokens[i].kind == Kind::Identifier && (Text(i - 1) == "{" || Text(i - 1) == ","))
						found.push_back({&tokens[i], true, hidden});
				}
			}

			// The name the declaration declares: the identifier before the first `(`, `=`, `[`, `{`,
			// `,` or `;` outside template arguments; nullptr for a qualified name (defined elsewhere),
			// an operator, or a macro's use (no type before it).
			const Token* DeclaratorName(std::size_t first) const
			{
				int angles = 0;
				std::size_t i = first;
				for (; i < end; ++i)
				{
					const std::string_view text = Text(i);
					if (text == "<")
						++angles;
					else if (text == ">")
						angles = std::max(0, angles - 1);
					else if (text == "(" && (Text(i - 1) == "decltype" || Text(i - 1) == "alignas" || Text(i - 1) == "__attribute__"))
						i = SkipGroup(i, "(", ")") - 1;
					else if (angles == 0 && (text == "(" || text == "=" || text == "[" || text == "{" || text == "," || text == ";" || text == ":"))
						break;
				}
				// A pointer to function: `void (*handler)(int)`.
				if (i < end && Text(i) == "(" && (Text(i + 1) == "*" || Text(i + 1) == "&") && i + 2 < end && tokens[i + 2].kind == Kind::Identifier)
					return &tokens[i + 2];
				if (i == first || tokens[i - 1].kind != Kind::Identifier || IsKeyword(Text(i - 1)))
					return nullptr;
				if (i - 1 == first || Text(i - 2) == "::" || Text(i - 2) == "operator")
					return nullptr;
				return &tokens[i - 1];
			}

			// A variable whose own type is const, and so file-local: `constexpr`, or `const` after every
			// `*` and `&`; not `inline`, which shares one variable between files.
			bool IsConstantVariable(const Token* name) const
			{
				const std::size_t nameAt = static_cast<std::size_t>(name - tokens.data());
				if (Text(nameAt + 1) == "(")
					return false;
				bool constant = false;
				bool isConstexpr = false;
				int angles = 0;
				for (std::size_t i = begin; i < nameAt; ++i)
				{
					const std::string_view text = Text(i);
					if (text == "<")
						++angles;
					else if (text == ">")
						angles = std::max(0, angles - 1);
					else if (angles > 0)
						continue;
					else if (text == "inline")
						return false;
					else if (text == "constexpr")
						isConstexpr = true;
					else if (text == "const")
						constant = true;
					else if (text == "*" || text == "&")
						constant = false;
				}
				return isConstexpr || constant;
			}

			const std::vector<Token>& tokens;
			std::size_t begin;
			std::size_t end;
			bool anonymous;
		};

		// Walks the namespace scopes of a file, handing each declaration in them to `Declaration`;
		// the bodies of functions and classes are skipped whole.
		class Scanner
		{
		public:
			Scanner(const std::vector<Token>& tokens, Scan& scan) : tokens(tokens), scan(scan) {}

			void Run()
			{
				std::size_t i = 0;
				while (i < tokens.size())
				{
					const std::string_view text = tokens[i].text;
					if (text == "}")
					{
						if (!scopes.empty())
							scopes.pop_back();
						++i;
					}
					else if (text == ";")
						++i;
					else if (text == "using" && Text(i + 1) == "namespace")
						i = UsingDirective(i + 2);
					else if (text == "namespace" || (text == "inline" && Text(i + 1) == "namespace"))
						i = Namespace(i + (text == "inline" ? 2 : 1));
					else if (text == "extern" && tokens.size() > i + 2 && tokens[i + 1].kind == Kind::Literal && Text(i + 2) == "{")
					{
						// A linkage block adds no scope of names.
						scopes.push_back({Path(), Anonymous()});
						i += 3;
					}
					else
						i = Declare(i);
				}
			}

		private:
			struct Scope
			{
				std::string path;
				bool anonymous;
			};

			std::string_view Text(std::size_t i) const
			{
				return i < tokens.size() ? tokens[i].text : std::string_view();
			}

			std::string Path() const
			{
				return scopes.empty() ? std::string() : scopes.back().path;
			}

			bool Anonymous() const
			{
				return !scopes.empty() && scopes.back().anonymous;
			}

			// At file scope, `using namespace test;` shows the names of `test` to every source
			// batched after this one.
			std::size_t UsingDirective(std::size_t i)
			{
				std::string opened;
				for (; i < tokens.size() && Text(i) != ";"; ++i)
					opened += tokens[i].text;
				if (Path().empty())
					scan.openedNamespaces.push_back(opened.rfind("::", 0) == 0 ? opened.substr(2) : opened);
				return i + 1;
			}

			std::size_t Namespace(std::size_t i)
			{
				std::string path = Path();
				bool named = false;
				for (; i < tokens.size() && (tokens[i].kind == Kind::Identifier || Text(i) == "::"); ++i)
				{
					if (Text(i) == "inline")
						continue;
					path += tokens[i].text;
					named = named || tokens[i].kind == Kind::Identifier;
				}
				if (Text(i) != "{")
				{
					// An alias: `namespace fs = std::filesystem;`.
					while (i < tokens.size() && Text(i) != ";")
						++i;
					return i + 1;
				}
				if (named)
					path += "::";
				scopes.push_back({named ? path : Path(), Anonymous() || !named});
				return i + 1;
			}

			std::size_t SkipBraces(std::size_t i) const
			{
				int depth = 0;
				for (; i < tokens.size(); ++i)
				{
					if (Text(i) == "{")
						++depth;
					else if (Text(i) == "}" && --depth == 0)
						return i + 1;
				}
				return i;
			}

			// One declaration from `i`: to its `;`, or to the end of its body when it is a function.
			std::size_t Declare(std::size_t i)
			{
				const std::size_t begin = i;
				std::size_t body = tokens.size();
				std::size_t end = tokens.size();
				bool classHead = false;
				bool initialized = false;
				int depth = 0;
				while (i < tokens.size())
				{
					const std::string_view text = Text(i);
					if (text == "(" || text == "[")
						++depth;
					else if (text == ")" || text == "]")
						depth = std::max(0, depth - 1);
					else if (depth == 0 && text == ";")
					{
						end = i++;
						break;
					}
					else if (depth == 0 && text == "}")
					{
						end = i;
						break;
					}
					else if (depth == 0 && text == "=")
						initialized = true;
					else if (depth == 0 && text == "{")
					{
						if (body == tokens.size())
						{
							body = i;
							classHead = Declaration(tokens, begin, i, false).IsClassHead();
						}
						i = SkipBraces(i);
						// After a brace group the declaration goes on only for its declarators
						// (`struct {...} table;`), an initializer, or a constructor's initializers.
						if (Text(i) == ";" || Text(i) == "{" || Text(i) == "," || classHead || initialized)
							continue;
						end = i;
						break;
					}
					++i;
				}
				if (end == tokens.size())
					end = i;
				std::vector<Declared> names;
				Declaration(tokens, begin, end, Anonymous()).Names(std::min(body, end), names);
				for (const Declared& name : names)
				{
					const Name named{Path() + std::string(name.token->text), name.token->line, name.hidden};
					AddOnce(scan.declared, declaredSeen, named);
					if (name.fileLocal)
						AddOnce(scan.fileLocal, fileLocalSeen, named);
				}
				return std::max(i, begin + 1);
			}


			static void AddOnce(std::vector<Name>& names, std::set<std::string>& seen, const Name& name)
			{
				if (seen.insert(name.name).second)
					names.push_back(name);
			}

			const std::vector<Token>& tokens;
			Scan& scan;
			std::vector<Scope> scopes;
			std::set<std::string> declaredSeen;
			std::set<std::string> fileLocalSeen;
		};
	}

	Scan ScanSource(std::string_view source)
	{
		Scan scan;
		std::vector<Name> macros;
		const std::vector<Token> tokens = Lexer(source).Run(macros);
		Scanner(tokens, scan).Run();
		std::set<std::string> seen;
		for (const Name& name : scan.fileLocal)
			seen.insert(name.name);
		for (Name& macro : macros)
			if (seen.insert(macro.name).second)
				scan.fileLocal.push_back(std::move(macro));
		return scan;
	}

	std::vector<std::string> FindClashes(const std::string& target, const std::vector<Source>& sources, const std::vector<Source>& headers)
	{
		std::vector<std::string> clashes;
		std::map<std::string, std::pair<const Source*, int>> firstPlace;
		for (const Source& source : sources)
			for (const Name& name : source.scan.fileLocal)
			{
				const auto [place, isNew] = firstPlace.emplace(name.name, std::make_pair(&source, name.line));
				if (isNew)
					continue;
				const auto& [other, otherLine] = place->second;
				clashes.push_back(source.path + ":" + std::to_string(name.line) + ": error: '" + name.name +
					"' is file-local here and in " + other->path + ":" + std::to_string(otherLine) + "; both are sources of " +
					target + ", whose batches may compile them together: rename one");
			}
		// A hidden name that a header also declares, at its scope or in a namespace some source opens
		// at file scope, makes the header's name ambiguous in every source batched after it.
		std::set<std::string> opened;
		for (const Source& source : sources)
			opened.insert(source.scan.openedNamespaces.begin(), source.scan.openedNamespaces.end());
		std::map<std::string, std::pair<const Source*, int>> headerPlace;
		for (const Source& header : headers)
			for (const Name& name : header.scan.declared)
			{
				headerPlace.emplace(name.name, std::make_pair(&header, name.line));
				for (const std::string& space : opened)
					if (name.name.rfind(space + "::", 0) == 0 && name.name.find("::", space.size() + 2) == std::string::npos)
						headerPlace.emplace(name.name.substr(space.size() + 2), std::make_pair(&header, name.line));
			}
		// A name in a named namespace also hides a header's name of an enclosing namespace from
		// the sources batched after it that open the same namespace.
		const auto hiddenHeaderName = [&](const Name& name) {
			if (name.hidden && headerPlace.count(name.name))
				return headerPlace.find(name.name);
			const std::size_t last = name.name.rfind("::");
			const std::string base = last == std::string::npos ? name.name : name.name.substr(last + 2);
			std::string scope = last == std::string::npos ? "" : name.name.substr(0, last);
			while (!scope.empty())
			{
				const std::size_t outer = scope.rfind("::");
				scope = outer == std::string::npos ? "" : scope.substr(0, outer);
				const auto place = headerPlace.find(scope.empty() ? base : scope + "::" + base);
				if (place != headerPlace.end())
					return place;
			}
			return headerPlace.end();
		};
		for (const Source& source : sources)
			for (const Name& name : source.scan.fileLocal)
			{
				const auto place = hiddenHeaderName(name);
				if (place == headerPlace.end())
					continue;
				const auto& [header, headerLine] = place->second;
				clashes.push_back(source.path + ":" + std::to_string(name.line) + ": error: '" + name.name +
					"' is file-local here and also declared by " + header->path + ":" + std::to_string(headerLine) +
					"; sources of " + target + " batched after this one would find both: rename it");
			}
		return clashes;
	}
}
