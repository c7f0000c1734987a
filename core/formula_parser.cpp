#include "core/formula_parser.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

namespace tarvik {

namespace {

using formula::Graph;
using formula::IndexOp;
using formula::IndexStep;
using formula::kNoNode;
using formula::NodeId;
using formula::Op;

// Whole numbers in an index stay far from the ends of 64 bits.
constexpr Real kLargestIndexLiteral = 1e15L;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct NamedFunction {
    std::string_view name;
    Op op;
};
constexpr NamedFunction kFunctions[] = {
    {"sin", Op::Sin},   {"cos", Op::Cos},   {"tan", Op::Tan},   {"atan", Op::Atan},
    {"exp", Op::Exp},   {"log", Op::Log},   {"sqrt", Op::Sqrt}, {"abs", Op::Abs},
    {"sinh", Op::Sinh}, {"cosh", Op::Cosh}, {"tanh", Op::Tanh},
};

const NamedFunction* FindFunction(std::string_view name) {
    for (const NamedFunction& f : kFunctions)
        if (f.name == name) return &f;
    return nullptr;
}

bool IsReserved(std::string_view name) {
    return FindFunction(name) || name == "pi" || name == "e" || name == "n" || name == "u" || name == "sum";
}

// u followed by digits only.
bool LooksLikeCoordinate(std::string_view name) {
    if (name.size() < 2 || name[0] != 'u') return false;
    for (char c : name.substr(1))
        if (!IsDigit(c)) return false;
    return true;
}

// uK with K a whole number from 1, written without leading zeros: K, else 0.
int64_t CoordinateNumber(std::string_view name) {
    if (name.size() < 2 || name[0] != 'u' || name[1] == '0') return 0;
    int64_t k = 0;
    for (char c : name.substr(1)) {
        if (!IsDigit(c)) return 0;
        if (k > (INT64_MAX - 9) / 10) return INT64_MAX;
        k = k * 10 + (c - '0');
    }
    return k;
}

std::string Quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

// Length of the UTF-8 sequence that starts at text[at], 1 for a byte that starts none.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 1;
    if (length == 1 || at + length > text.size()) return 1;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 1;
    return length;
}

struct Failure {
    FormulaError error;
};

class Parser {
public:
    Parser(std::string_view text, Graph& g) : text_(text), g_(g) {}

    void Run() {
        Next();
        const NodeId j = Expr();
        if (kind_ != Tok::End) {
            if (StartsValue()) Fail(begin_, "operator expected");
            Fail(begin_, "unexpected " + Quoted(Spelling()));
        }
        g_.loop(0).results.push_back(j);
    }

    bool usesDimension = false;
    bool variableIndex = false;
    int64_t largestFixedIndex = 0;

private:
    enum class Tok { End, Number, Name, Plus, Minus, Star, Slash, Caret, LParen, RParen, LBracket, RBracket, Comma };

    [[noreturn]] void Fail(std::size_t at, const std::string& what) const {
        throw Failure{FormulaErrorAt(text_, static_cast<int32_t>(at), what)};
    }

    std::string_view Spelling() const { return text_.substr(begin_, end_ - begin_); }
    bool StartsValue() const { return kind_ == Tok::Number || kind_ == Tok::Name || kind_ == Tok::LParen; }

    void Next() {
        std::size_t at = end_;
        while (at < text_.size() && IsSpace(text_[at])) ++at;
        begin_ = at;
        if (at == text_.size()) {
            kind_ = Tok::End;
            end_ = at;
            return;
        }
        const char c = text_[at];
        if (IsDigit(c) || (c == '.' && at + 1 < text_.size() && IsDigit(text_[at + 1]))) {
            ReadNumber(at);
            return;
        }
        if (IsLetter(c)) {
            while (at < text_.size() && (IsLetter(text_[at]) || IsDigit(text_[at]))) ++at;
            kind_ = Tok::Name;
            end_ = at;
            return;
        }
        end_ = at + 1;
        switch (c) {
        case '+': kind_ = Tok::Plus; return;
        case '-': kind_ = Tok::Minus; return;
        case '*': kind_ = Tok::Star; return;
        case '/': kind_ = Tok::Slash; return;
        case '^': kind_ = Tok::Caret; return;
        case '(': kind_ = Tok::LParen; return;
        case ')': kind_ = Tok::RParen; return;
        case '[': kind_ = Tok::LBracket; return;
        case ']': kind_ = Tok::RBracket; return;
        case ',': kind_ = Tok::Comma; return;
        default: break;
        }
        const std::size_t length = SequenceLength(text_, at);
        if (length == 1 && static_cast<unsigned char>(c) >= 0x80) {
            static const char* hex = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(c);
            Fail(at, std::string("unexpected byte 0x") + hex[byte >> 4] + hex[byte & 15]);
        }
        if (length == 1 && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)) Fail(at, "unexpected control character");
        Fail(at, "unexpected character " + Quoted(text_.substr(at, length)));
    }

    // digits [. digits] | . digits, then an exponent e[+-]digits when one follows.
    void ReadNumber(std::size_t at) {
        const std::size_t start = at;
        while (at < text_.size() && IsDigit(text_[at])) ++at;
        if (at < text_.size() && text_[at] == '.') {
            ++at;
            while (at < text_.size() && IsDigit(text_[at])) ++at;
        }
        if (at < text_.size() && (text_[at] == 'e' || text_[at] == 'E')) {
            std::size_t k = at + 1;
            if (k < text_.size() && (text_[k] == '+' || text_[k] == '-')) ++k;
            if (k < text_.size() && IsDigit(text_[k])) {
                while (k < text_.size() && IsDigit(text_[k])) ++k;
                at = k;
            }
        }
        kind_ = Tok::Number;
        begin_ = start;
        end_ = at;
        // from_chars reads ".5" and "1." as written and rounds correctly in any locale.
        const auto [stop, status] = std::from_chars(text_.data() + start, text_.data() + at, number_);
        if (status != std::errc() || stop != text_.data() + at || !std::isfinite(number_))
            Fail(start, "number out of range " + Quoted(Spelling()));
    }

    void Expect(Tok kind, const char* what) {
        if (kind_ != kind) Fail(begin_, std::string(what) + " expected");
        Next();
    }

    // Every path of the recursion passes through a factor, so counting
    // factors bounds the depth of the C++ stack.
    struct Nesting {
        explicit Nesting(Parser& p) : p_(p) {
            if (++p_.depth_ > formula::kMaxNesting) p_.Fail(p_.begin_, "nested too deeply");
        }
        ~Nesting() { --p_.depth_; }
        Parser& p_;
    };

    NodeId Expr() {
        NodeId x = Term();
        while (kind_ == Tok::Plus || kind_ == Tok::Minus) {
            const Op op = kind_ == Tok::Plus ? Op::Add : Op::Subtract;
            Next();
            x = g_.Binary(op, x, Term());
        }
        return x;
    }

    NodeId Term() {
        NodeId x = Factor();
        while (kind_ == Tok::Star || kind_ == Tok::Slash) {
            const Op op = kind_ == Tok::Star ? Op::Multiply : Op::Divide;
            Next();
            x = g_.Binary(op, x, Factor());
        }
        return x;
    }

    NodeId Factor() {
        const Nesting nesting(*this);
        if (kind_ == Tok::Minus || kind_ == Tok::Plus) {
            const bool minus = kind_ == Tok::Minus;
            Next();
            const NodeId x = Factor();
            return minus ? g_.Unary(Op::Negate, x) : x;
        }
        const NodeId base = Primary();
        if (kind_ != Tok::Caret) return base;
        Next();
        return g_.Binary(Op::Power, base, Factor());
    }

    NodeId Primary() {
        const std::size_t at = begin_;
        if (kind_ == Tok::Number) {
            const Real value = number_;
            Next();
            return g_.Constant(value);
        }
        if (kind_ == Tok::LParen) {
            Next();
            const NodeId x = Expr();
            Expect(Tok::RParen, "')'");
            return x;
        }
        if (kind_ != Tok::Name) {
            if (kind_ == Tok::End) Fail(at, "number, name or '(' expected");
            Fail(at, "number, name or '(' expected instead of " + Quoted(Spelling()));
        }
        const std::string_view name = Spelling();
        Next();
        if (const NamedFunction* f = FindFunction(name)) {
            if (kind_ != Tok::LParen) Fail(begin_, "'(' expected after " + Quoted(name));
            Next();
            const NodeId x = Expr();
            Expect(Tok::RParen, "')'");
            return g_.Unary(f->op, x);
        }
        if (name == "pi") return g_.Constant(std::numbers::pi_v<Real>);
        if (name == "e") return g_.Constant(std::numbers::e_v<Real>);
        if (name == "n") {
            usesDimension = true;
            return g_.Dimension();
        }
        if (name == "sum") return Sum(at);
        if (name == "u") {
            if (kind_ != Tok::LBracket) Fail(begin_, "'[' expected after 'u'");
            Next();
            const int32_t index = Index(at);
            Expect(Tok::RBracket, "']'");
            return Coordinate(index, at);
        }
        if (const int64_t k = CoordinateNumber(name); k > 0) {
            if (k > INT32_MAX) Fail(at, "index " + std::string(name.substr(1)) + " outside 1..n");
            return Coordinate(g_.Index({IndexStep{IndexOp::Constant, k, 0}}, static_cast<int32_t>(at)), at);
        }
        if (const int32_t s = Variable(name); s > 0) return g_.SumIndex(s);
        Fail(at, "unknown name " + Quoted(name));
    }

    NodeId Coordinate(int32_t index, std::size_t at) {
        const formula::IndexExpr& e = g_.index(index);
        if (e.constant) {
            const int64_t k = e.code[0].value;
            if (k < 1 || k > INT32_MAX) Fail(at, "index " + std::to_string(k) + " outside 1..n");
            if (k > largestFixedIndex) largestFixedIndex = k;
        } else {
            variableIndex = true;
        }
        return g_.Coordinate(index);
    }

    NodeId Sum(std::size_t at) {
        if (kind_ != Tok::LParen) Fail(begin_, "'(' expected after 'sum'");
        Next();
        if (kind_ != Tok::Name) Fail(begin_, "the name of the sum's index expected");
        const std::string_view name = Spelling();
        if (IsReserved(name) || LooksLikeCoordinate(name)) Fail(begin_, Quoted(name) + " cannot name a sum's index");
        if (Variable(name) > 0) Fail(begin_, Quoted(name) + " already names the index of an enclosing sum");
        Next();
        Expect(Tok::Comma, "','");
        const int32_t lower = Index(begin_);
        Expect(Tok::Comma, "','");
        const int32_t upper = Index(begin_);
        Expect(Tok::Comma, "','");
        const int32_t s = g_.NewScope(scope_, lower, upper, static_cast<int32_t>(at));
        const int32_t l = g_.NewLoop(s, loop_);
        variables_.emplace_back(name, s);
        const int32_t outerScope = std::exchange(scope_, s);
        const int32_t outerLoop = std::exchange(loop_, l);
        const NodeId body = Expr();
        scope_ = outerScope;
        loop_ = outerLoop;
        variables_.pop_back();
        Expect(Tok::RParen, "')'");
        g_.loop(l).results.push_back(body);
        return g_.LoopResult(l, 0);
    }

    // The scope of the sum whose index is called name, 0 when there is none.
    int32_t Variable(std::string_view name) const {
        for (auto it = variables_.rbegin(); it != variables_.rend(); ++it)
            if (it->first == name) return it->second;
        return 0;
    }

    // ---- integer arithmetic of indices and bounds -------------------------

    int32_t Index(std::size_t at) {
        std::vector<IndexStep> code;
        IndexSum(code);
        bool constant = true;
        for (const IndexStep& step : code)
            if (step.op == IndexOp::Dimension || step.op == IndexOp::Variable) constant = false;
        const int32_t id = g_.Index(std::move(code), static_cast<int32_t>(at));
        if (!constant || g_.index(id).code.size() == 1) return id;
        // Constant arithmetic is done now, so that its faults are found now.
        int64_t value = 0;
        int32_t where = 0;
        switch (formula::EvaluateIndex(g_.index(id), 0, nullptr, value, where)) {
        case formula::IndexFault::None: break;
        case formula::IndexFault::DivisionByZero: Fail(static_cast<std::size_t>(where), "division by zero in an index");
        case formula::IndexFault::Remainder: Fail(static_cast<std::size_t>(where), "division with a remainder in an index");
        case formula::IndexFault::Overflow: Fail(static_cast<std::size_t>(where), "index arithmetic out of range");
        }
        return g_.Index({IndexStep{IndexOp::Constant, value, 0}}, static_cast<int32_t>(at));
    }

    void IndexSum(std::vector<IndexStep>& code) {
        IndexTerm(code);
        while (kind_ == Tok::Plus || kind_ == Tok::Minus) {
            const IndexOp op = kind_ == Tok::Plus ? IndexOp::Add : IndexOp::Subtract;
            Next();
            IndexTerm(code);
            code.push_back({op, 0, 0});
        }
    }

    void IndexTerm(std::vector<IndexStep>& code) {
        IndexPower(code);
        while (kind_ == Tok::Star || kind_ == Tok::Slash) {
            const IndexOp op = kind_ == Tok::Star ? IndexOp::Multiply : IndexOp::Divide;
            const auto at = static_cast<int32_t>(begin_);
            Next();
            IndexPower(code);
            code.push_back({op, 0, at});
        }
    }

    void IndexPower(std::vector<IndexStep>& code) {
        IndexFactor(code);
        if (kind_ == Tok::Caret) Fail(begin_, "'^' cannot be used in an index");
    }

    void IndexFactor(std::vector<IndexStep>& code) {
        const Nesting nesting(*this);
        const std::size_t at = begin_;
        switch (kind_) {
        case Tok::Minus:
        case Tok::Plus: {
            const bool minus = kind_ == Tok::Minus;
            Next();
            IndexFactor(code);
            if (minus) code.push_back({IndexOp::Negate, 0, 0});
            return;
        }
        case Tok::LParen:
            Next();
            IndexSum(code);
            Expect(Tok::RParen, "')'");
            return;
        case Tok::Number: {
            if (number_ != std::nearbyint(number_) || std::fabs(number_) > kLargestIndexLiteral)
                Fail(at, Quoted(Spelling()) + " is not a whole number");
            code.push_back({IndexOp::Constant, static_cast<int64_t>(number_), 0});
            Next();
            return;
        }
        case Tok::Name: {
            const std::string_view name = Spelling();
            if (name == "n") {
                usesDimension = true;
                code.push_back({IndexOp::Dimension, 0, 0});
            } else if (const int32_t s = Variable(name); s > 0) {
                code.push_back({IndexOp::Variable, s, 0});
            } else if (IsReserved(name) || LooksLikeCoordinate(name)) {
                Fail(at, Quoted(name) + " cannot be used in an index");
            } else {
                Fail(at, "unknown name " + Quoted(name));
            }
            Next();
            return;
        }
        case Tok::End: Fail(at, "number, name or '(' expected");
        default: Fail(at, "number, name or '(' expected instead of " + Quoted(Spelling()));
        }
    }

    std::string_view text_;
    Graph& g_;
    Tok kind_ = Tok::End;
    std::size_t begin_ = 0, end_ = 0;
    Real number_ = 0;
    int depth_ = 0;
    int32_t scope_ = 0;
    int32_t loop_ = 0;
    std::vector<std::pair<std::string_view, int32_t>> variables_;
};

} // namespace

FormulaError FormulaErrorAt(std::string_view text, int32_t at, const std::string& what) {
    int line = 1, column = 1;
    bool severalLines = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '\n') {
            severalLines = true;
            if (static_cast<int32_t>(k) < at) {
                ++line;
                column = 1;
            }
        } else if (static_cast<int32_t>(k) < at && (static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    FormulaError e;
    e.line = line;
    e.column = column;
    e.message = what + (severalLines ? " at line " + std::to_string(line) + ", column " : " at column ") +
                std::to_string(column);
    return e;
}

std::optional<FormulaError> ParseFormula(std::string_view text, ParsedFormula& out) {
    out = ParsedFormula{};
    std::size_t characters = 0;
    bool blank = true;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
        if (!IsSpace(c)) blank = false;
    }
    std::optional<FormulaError> error;
    if (blank) {
        error = FormulaError{"the formula is empty", 0, 0};
    } else if (characters > kFormulaMaxCharacters) {
        error = FormulaError{"the formula is longer than " + std::to_string(kFormulaMaxCharacters) + " characters", 0, 0};
    } else {
        out.text = std::string(text);
        out.graph.NewLoop(0, -1);
        Parser parser(out.text, out.graph);
        try {
            parser.Run();
            out.shape.usesDimension = parser.usesDimension;
            out.shape.largestFixedIndex = static_cast<int>(parser.largestFixedIndex);
            out.shape.twoDimensional = !parser.usesDimension && !parser.variableIndex && parser.largestFixedIndex <= 2;
            return std::nullopt;
        } catch (const Failure& f) {
            error = f.error;
        }
    }
    out = ParsedFormula{};
    return error;
}

} // namespace tarvik
