// Expression: a small infix expression over named variables and literals, parsed once into a
// tree (its identifier-free parts folded to constants) and evaluated on demand to a new value.
// Input conditions ("W_DOWN | S_DOWN") and message arguments ("W_VALUE - S_VALUE") use it.
// Comparison and logic operators are single characters: = [ ] { } for == >= <= < >, @ for
// and, | for or; every binary operator but * and / shares the lowest precedence. In a quoted
// string, \" is a quote and \\ a backslash.
#pragma once

#include "Utilities/HashMap.h"
#include "Utilities/OperatorVariable.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class Expression
{
public:
	// Named variables that identifiers bind to; the table keeps ownership.
	using VariableTable = tw::hash_map<std::string, OperatorVariable*>;

	// Deeper nesting (parentheses, or operators chained on one side) is refused, so that a
	// malformed data file cannot exhaust the stack.
	static constexpr unsigned kMaxDepth = 500;

	Expression();
	~Expression();
	Expression(const Expression&) = delete;
	Expression& operator=(const Expression&) = delete;

	// Replaces any previous tree by the parse of the text; throws FLException on a syntax
	// error, leaving the expression empty.
	void Parse(const std::string& text);
	// Turns every identifier found in the table into a value holding a copy of its variable,
	// made now: a plain variable keeps its present value, a getter keeps reading live state.
	// Identifiers missing from the table stay unbound.
	void ResolveIdentifiers(const VariableTable& table);
	// A new value computed from the whole tree; null for an empty expression. Throws
	// FLException when an identifier is still unbound.
	std::unique_ptr<OperatorVariable> Evaluate() const;
	// Whether the whole expression folded to one value when it was parsed.
	bool IsConstant() const;

private:
	struct Node;
	enum class NodeKind { Operator, Value, Identifier };

	void NextToken();
	void TakeOperatorCharacter(char character);
	bool MinusIsUnaryBeforeOperand() const;
	std::unique_ptr<Node> ParseSum();
	std::unique_ptr<Node> ParseProduct();
	std::unique_ptr<Node> ParseFactor();
	std::unique_ptr<Node> MakeOperator(char operation, std::unique_ptr<Node> left, std::unique_ptr<Node> right);
	std::size_t IdentifierIndex(const std::string& name);

	static void Fold(Node& node);
	void Bind(Node& node, const VariableTable& table);
	std::unique_ptr<OperatorVariable> EvaluateNode(const Node& node) const;

	std::vector<std::string> identifierNames;
	std::string source;
	std::size_t length = 0;
	std::size_t position = 0;
	std::string token;
	std::unique_ptr<Node> root;
	NodeKind lastNodeKind = NodeKind::Operator;
	// Open parentheses and unary minuses around the factor being parsed.
	unsigned nestingDepth = 0;
	// The current token is the "-1" a unary minus became; its "*" follows.
	bool tokenIsUnaryMinus = false;
};
