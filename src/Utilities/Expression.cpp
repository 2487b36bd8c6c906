#include "Utilities/Expression.h"

#include "Utilities/FLException.h"

#include <algorithm>
#include <cctype>
#include <locale>
#include <sstream>
#include <string_view>

struct Expression::Node
{
	NodeKind kind = NodeKind::Value;
	char operation = 0;
	std::unique_ptr<Node> left;
	std::unique_ptr<Node> right;
	std::unique_ptr<OperatorVariable> value;
	std::size_t identifier = 0;
	unsigned depth = 1;
};

namespace
{
	bool IsExpressionBlank(char character)
	{
		return character == ' ' || character == '\t' || character == '\r' || character == '\n';
	}

	bool IsLetter(char character)
	{
		return std::isalpha(static_cast<unsigned char>(character)) != 0;
	}

	bool IsDigit(char character)
	{
		return character >= '0' && character <= '9';
	}

	// Characters that are a token by themselves wherever they stand.
	bool IsStandaloneCharacter(char character)
	{
		return std::string_view("()*/=@[]{|}").find(character) != std::string_view::npos;
	}

	bool IsSumOperator(const std::string& token)
	{
		return token.size() == 1 && std::string_view("+-@|{}][=").find(token[0]) != std::string_view::npos;
	}

	bool IsProductOperator(const std::string& token)
	{
		return token == "*" || token == "/";
	}

	bool EqualsIgnoringCase(std::string_view text, std::string_view lowerCaseWord)
	{
		return text.size() == lowerCaseWord.size()
			&& std::equal(text.begin(), text.end(), lowerCaseWord.begin(), [](char a, char b) {
				   return std::tolower(static_cast<unsigned char>(a)) == b;
			   });
	}

	bool IsBooleanWord(std::string_view text)
	{
		return EqualsIgnoringCase(text, "t") || EqualsIgnoringCase(text, "f") || EqualsIgnoringCase(text, "true")
			|| EqualsIgnoringCase(text, "false");
	}

	bool IsIdentifier(std::string_view text)
	{
		if (text.empty() || IsBooleanWord(text))
			return false;
		return IsLetter(text[0]) || (text.size() > 1 && text[0] == '-' && IsLetter(text[1]));
	}

	bool IsLiteral(std::string_view text)
	{
		if (text.empty())
			return false;
		if (text[0] == '-')
			return text.size() > 1 && (IsDigit(text[1]) || text[1] == '.');
		return IsDigit(text[0]) || text[0] == '.' || IsBooleanWord(text)
			|| (text.size() >= 2 && text.front() == '"' && text.back() == '"');
	}

	// Decimal stream extraction in the classic locale, which stops at the first character that
	// is not part of a number (so "7u" reads 7 and "0x1F" reads 0). 8-bit types are read as
	// numbers, not as characters.
	template<typename T>
	std::unique_ptr<OperatorVariable> MakeNumber(const std::string& text)
	{
		std::istringstream input(text);
		input.imbue(std::locale::classic());
		if constexpr (sizeof(T) == 1)
		{
			int number = 0;
			input >> number;
			return std::make_unique<OperVarType<T>>(static_cast<T>(number));
		}
		else
		{
			T number{};
			input >> number;
			return std::make_unique<OperVarType<T>>(number);
		}
	}

	bool Contains(const std::string& text, const char* characters)
	{
		return text.find_first_of(characters) != std::string::npos;
	}

	// Inside a quoted literal, \" stands for a quote and \\ for a backslash; any other backslash
	// is itself.
	std::string Unescape(const std::string& quoted)
	{
		std::string text;
		for (std::size_t index = 0; index < quoted.size(); ++index)
		{
			const bool escape = quoted[index] == '\\' && index + 1 < quoted.size() &&
				(quoted[index + 1] == '"' || quoted[index + 1] == '\\');
			text += quoted[escape ? ++index : index];
		}
		return text;
	}

	// Suffixes choose the type: f makes a float of a number with a point (double without);
	// u or x unsigned, s 16-bit, b 8-bit integers.
	std::unique_ptr<OperatorVariable> MakeLiteral(const std::string& text)
	{
		if (text[0] == '"')
			return std::make_unique<OperVarType<std::string>>(Unescape(text.substr(1, text.size() - 2)));
		if (text[0] == 'f' || text[0] == 'F')
			return std::make_unique<OperConstVarType<bool>>(false);
		if (text[0] == 't' || text[0] == 'T')
			return std::make_unique<OperConstVarType<bool>>(true);
		if (Contains(text, "."))
			return text.back() == 'f' || text.back() == 'F' ? MakeNumber<float>(text) : MakeNumber<double>(text);
		const bool isUnsigned = Contains(text, "uUxX");
		if (Contains(text, "sS"))
			return isUnsigned ? MakeNumber<unsigned short>(text) : MakeNumber<short>(text);
		if (Contains(text, "bB"))
			return isUnsigned ? MakeNumber<unsigned char>(text) : MakeNumber<char>(text);
		return isUnsigned ? MakeNumber<unsigned int>(text) : MakeNumber<int>(text);
	}

	// Arithmetic works on the left value in place; comparisons and logic give a new bool.
	std::unique_ptr<OperatorVariable> Apply(char operation, std::unique_ptr<OperatorVariable> left,
		const OperatorVariable& right)
	{
		auto boolean = [](bool value) { return std::make_unique<OperConstVarType<bool>>(value); };
		switch (operation)
		{
		case '*': left->MultiplyAssign(right); return left;
		case '/': left->DivideAssign(right); return left;
		case '+': left->AddAssign(right); return left;
		case '-': left->SubtractAssign(right); return left;
		case '=': return boolean(left->Equal(right));
		case '[': return boolean(left->GreaterOrEqual(right));
		case ']': return boolean(left->LessOrEqual(right));
		case '{': return boolean(left->Less(right));
		case '}': return boolean(left->Greater(right));
		case '@': return boolean(left->ToBool() && right.ToBool());
		case '|': return boolean(left->ToBool() || right.ToBool());
		default: return left;
		}
	}

	[[noreturn]] void ThrowTooDeep()
	{
		FL_THROW("Expression nested too deeply: more than " + std::to_string(Expression::kMaxDepth) + " levels");
	}
}

Expression::Expression() = default;
Expression::~Expression() = default;

void Expression::Parse(const std::string& text)
{
	root.reset();
	identifierNames.clear();
	source = text;
	length = source.size();
	position = 0;
	lastNodeKind = NodeKind::Operator;
	nestingDepth = 0;
	try
	{
		NextToken();
		std::unique_ptr<Node> parsed = ParseSum();
		Fold(*parsed);
		root = std::move(parsed);
	}
	catch (FLException& error)
	{
		error.CompleteMessage(" in \"" + text + "\"");
		throw;
	}
}

void Expression::ResolveIdentifiers(const VariableTable& table)
{
	if (root)
		Bind(*root, table);
}

std::unique_ptr<OperatorVariable> Expression::Evaluate() const
{
	return root ? EvaluateNode(*root) : nullptr;
}

bool Expression::IsConstant() const
{
	return root && root->kind == NodeKind::Value;
}

// A quoted string is one token with its spaces, operator characters and escaped quotes.
// Otherwise + and - are binary after an operand; before one, + is dropped and - either starts a
// negative number or, before an identifier or "(", becomes the literal -1 and turns itself into
// a "*" in the text.
void Expression::NextToken()
{
	token.clear();
	tokenIsUnaryMinus = false;
	while (position < length && IsExpressionBlank(source[position]))
		++position;
	if (position < length && source[position] == '"')
	{
		std::size_t closing = position + 1;
		while (closing < length && source[closing] != '"')
			closing += source[closing] == '\\' && closing + 1 < length ? 2 : 1;
		const std::size_t end = closing < length ? closing + 1 : length;
		token.assign(source, position, end - position);
		position = end;
		return;
	}
	while (position < length)
	{
		const char character = source[position];
		if (IsExpressionBlank(character))
			return;
		if (IsStandaloneCharacter(character))
		{
			TakeOperatorCharacter(character);
			return;
		}
		if (character == '+' || character == '-')
		{
			if (lastNodeKind != NodeKind::Operator)
			{
				TakeOperatorCharacter(character);
				return;
			}
			if (!token.empty())
				return;
			if (character == '+')
			{
				++position;
				continue;
			}
			if (MinusIsUnaryBeforeOperand())
			{
				token = "-1";
				tokenIsUnaryMinus = true;
				source[position] = '*';
				return;
			}
		}
		token += character;
		++position;
	}
}

void Expression::TakeOperatorCharacter(char character)
{
	if (!token.empty())
		return;
	token = character;
	++position;
}

bool Expression::MinusIsUnaryBeforeOperand() const
{
	const std::string_view rest = std::string_view(source).substr(position + 1);
	return (!rest.empty() && rest[0] == '(') || IsIdentifier(rest);
}

std::unique_ptr<Expression::Node> Expression::ParseSum()
{
	std::unique_ptr<Node> sum = ParseProduct();
	while (IsSumOperator(token))
	{
		const char operation = token[0];
		lastNodeKind = NodeKind::Operator;
		NextToken();
		sum = MakeOperator(operation, std::move(sum), ParseProduct());
	}
	return sum;
}

std::unique_ptr<Expression::Node> Expression::ParseProduct()
{
	std::unique_ptr<Node> product = ParseFactor();
	while (IsProductOperator(token))
	{
		const char operation = token[0];
		lastNodeKind = NodeKind::Operator;
		NextToken();
		product = MakeOperator(operation, std::move(product), ParseFactor());
	}
	return product;
}

// Whatever follows a parenthesised sum is taken as its closing parenthesis without a check.
std::unique_ptr<Expression::Node> Expression::ParseFactor()
{
	if (token == "(")
	{
		if (++nestingDepth > kMaxDepth)
			ThrowTooDeep();
		NextToken();
		std::unique_ptr<Node> sum = ParseSum();
		--nestingDepth;
		NextToken();
		return sum;
	}
	auto node = std::make_unique<Node>();
	if (IsIdentifier(token))
	{
		node->kind = NodeKind::Identifier;
		node->identifier = IdentifierIndex(token);
	}
	else if (IsLiteral(token))
	{
		node->kind = NodeKind::Value;
		node->value = MakeLiteral(token);
	}
	else
	{
		FL_THROW("Expected identifier or literal, found " + (token.empty() ? std::string("the end of the text") : "\"" + token + "\""));
	}
	const bool negatesNextFactor = tokenIsUnaryMinus;
	lastNodeKind = node->kind;
	NextToken();
	if (!negatesNextFactor)
		return node;
	// Unary minus binds tighter than * and /: "10 / -x" is 10 / (-1 * x), not (10 / -1) * x.
	if (++nestingDepth > kMaxDepth)
		ThrowTooDeep();
	lastNodeKind = NodeKind::Operator;
	NextToken();
	std::unique_ptr<Node> negated = MakeOperator('*', std::move(node), ParseFactor());
	--nestingDepth;
	return negated;
}

std::unique_ptr<Expression::Node> Expression::MakeOperator(char operation, std::unique_ptr<Node> left,
	std::unique_ptr<Node> right)
{
	auto node = std::make_unique<Node>();
	node->kind = NodeKind::Operator;
	node->operation = operation;
	node->depth = 1 + std::max(left->depth, right->depth);
	if (node->depth > kMaxDepth)
		ThrowTooDeep();
	node->left = std::move(left);
	node->right = std::move(right);
	return node;
}

std::size_t Expression::IdentifierIndex(const std::string& name)
{
	auto found = std::find(identifierNames.begin(), identifierNames.end(), name);
	if (found != identifierNames.end())
		return static_cast<std::size_t>(found - identifierNames.begin());
	identifierNames.push_back(name);
	return identifierNames.size() - 1;
}

void Expression::Fold(Node& node)
{
	if (node.kind != NodeKind::Operator)
		return;
	Fold(*node.left);
	Fold(*node.right);
	if (node.left->kind == NodeKind::Value && node.right->kind == NodeKind::Value)
	{
		node.value = Apply(node.operation, node.left->value->Clone(), *node.right->value);
		node.kind = NodeKind::Value;
		node.left.reset();
		node.right.reset();
	}
}

void Expression::Bind(Node& node, const VariableTable& table)
{
	if (node.kind == NodeKind::Identifier)
	{
		auto found = table.find(identifierNames[node.identifier]);
		if (found != table.end() && found->second)
		{
			node.value.reset(found->second->CloneInto(nullptr));
			node.kind = NodeKind::Value;
		}
		return;
	}
	if (node.left)
		Bind(*node.left, table);
	if (node.right)
		Bind(*node.right, table);
}

std::unique_ptr<OperatorVariable> Expression::EvaluateNode(const Node& node) const
{
	switch (node.kind)
	{
	case NodeKind::Value:
		return node.value->Clone();
	case NodeKind::Identifier:
		FL_THROW("Identifier: " + identifierNames[node.identifier] + " still in tree during evaluation.");
	case NodeKind::Operator:
		break;
	}
	std::unique_ptr<OperatorVariable> left = EvaluateNode(*node.left);
	std::unique_ptr<OperatorVariable> right = EvaluateNode(*node.right);
	return Apply(node.operation, std::move(left), *right);
}
