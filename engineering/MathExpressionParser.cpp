// The parsing half of MathExpression: a definition's text into the tree of nodes that
// MathExpression.cpp evaluates row by row, or the fault that refuses it.

#include "engineering/MathExpression.h"

#include "engineering/EngineeringTexts.h"
#include "engineering/UnitsTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool isWordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_'
           || u == u'.' || u == u':';
}

bool isDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

// A decimal number as a whole word ("2", "0.5", "1e-3"); nothing for anything else.
std::optional<double> decimalNumber(const QString &word)
{
    if (word.isEmpty() || !(isDigit(word.front()) || word.front() == u'.'))
        return std::nullopt;
    const QByteArray bytes = word.toLatin1();
    double value = 0;
    const auto result = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value,
                                        std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != bytes.constData() + bytes.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

struct FunctionName {
    const char16_t *name;
    int arguments; // 1, or 2 (for mavg/mrms the second is the number of passes)
};

} // namespace

class MathExpression::Parser {
public:
    Parser(const QString &text, qsizetype begin, const std::vector<MathInput> &inputs, MathExpression &out)
        : text_(text), position_(begin), inputs_(inputs), out_(out)
    {
    }

    bool parseWhole(MathFault *fault)
    {
        skipBlanks();
        if (position_ >= text_.size())
            return fail(fault, engineeringtexts::kMathEmpty);
        const int root = expression(fault);
        if (root < 0)
            return false;
        skipBlanks();
        if (position_ < text_.size())
            return fail(fault, engineeringtexts::kMathUnexpected.arg(text_.at(position_)));
        out_.root_ = root;
        return true;
    }

private:
    void skipBlanks()
    {
        while (position_ < text_.size() && (text_.at(position_) == u' ' || text_.at(position_) == u'\t'))
            ++position_;
    }
    bool at(char16_t c)
    {
        skipBlanks();
        return position_ < text_.size() && text_.at(position_) == c;
    }
    bool fail(MathFault *fault, const QString &message, qsizetype where = -1)
    {
        if (fault) {
            fault->position = static_cast<int>(where >= 0 ? where : std::min(position_, text_.size()));
            fault->message = message;
        }
        return false;
    }
    int failed(MathFault *fault, const QString &message, qsizetype where = -1)
    {
        fail(fault, message, where);
        return -1;
    }
    int add(const Node &node)
    {
        out_.nodes_.push_back(node);
        return static_cast<int>(out_.nodes_.size()) - 1;
    }
    int binary(Kind kind, int left, int right)
    {
        Node node;
        node.kind = kind;
        node.left = left;
        node.right = right;
        return add(node);
    }

    int expression(MathFault *fault)
    {
        if (++depth_ > kMaxDepth)
            return failed(fault, engineeringtexts::kMathTooDeep.arg(kMaxDepth));
        int left = term(fault);
        while (left >= 0 && (at(u'+') || at(u'-'))) {
            const Kind kind = text_.at(position_) == u'+' ? Kind::Add : Kind::Subtract;
            ++position_;
            const int right = term(fault);
            left = right < 0 ? -1 : binary(kind, left, right);
        }
        --depth_;
        return left;
    }

    int term(MathFault *fault)
    {
        int left = factor(fault);
        while (left >= 0 && (at(u'*') || at(u'/'))) {
            const Kind kind = text_.at(position_) == u'*' ? Kind::Multiply : Kind::Divide;
            ++position_;
            const int right = factor(fault);
            left = right < 0 ? -1 : binary(kind, left, right);
        }
        return left;
    }

    int factor(MathFault *fault)
    {
        if (at(u'-') || at(u'+')) {
            const bool negate = text_.at(position_) == u'-';
            ++position_;
            if (++depth_ > kMaxDepth)
                return failed(fault, engineeringtexts::kMathTooDeep.arg(kMaxDepth));
            const int operand = factor(fault);
            --depth_;
            if (operand < 0 || !negate)
                return operand;
            Node node;
            node.kind = Kind::Negate;
            node.left = operand;
            return add(node);
        }
        return operand(fault);
    }

    int operand(MathFault *fault)
    {
        skipBlanks();
        if (position_ >= text_.size())
            return failed(fault, engineeringtexts::kMathExpectedOperand);
        if (text_.at(position_) == u'(') {
            ++position_;
            const int inside = expression(fault);
            if (inside < 0)
                return -1;
            if (!at(u')'))
                return failed(fault, engineeringtexts::kMathExpectedClose);
            ++position_;
            return inside;
        }
        const qsizetype start = position_;
        QString word = takeWord();
        if (word.isEmpty())
            return failed(fault, engineeringtexts::kMathExpectedOperand);
        if (at(u'(')) {
            if (const FunctionName *function = functionNamed(word))
                return call(*function, start, fault);
        }
        // A bit as qmx-record's --channel names it ("InvFlag:07") is the column "InvFlag.07".
        const QString bitName = QString(word).replace(u':', u'.');
        for (std::size_t index = 0; index < inputs_.size(); ++index) {
            if (inputs_[index].name == word || inputs_[index].name == bitName)
                return inputNode(static_cast<int>(index));
        }
        if (const std::optional<std::uint32_t> address = UnitsTable::keyAddress(word)) {
            for (std::size_t index = 0; index < inputs_.size(); ++index) {
                if (inputs_[index].address == address)
                    return inputNode(static_cast<int>(index));
            }
        }
        // "1e" followed by "-3" or "+3" is the number 1e-3.
        const bool mantissaWithE = (isDigit(word.front()) || word.front() == u'.')
                                   && (word.back() == u'e' || word.back() == u'E') && position_ + 1 < text_.size()
                                   && (text_.at(position_) == u'-' || text_.at(position_) == u'+')
                                   && isDigit(text_.at(position_ + 1));
        if (mantissaWithE) {
            word += text_.at(position_++);
            word += takeWord();
        }
        // "600E64" reads as a number with an exponent, but it is much more likely an address
        // mistyped or of a channel not in the run: such a word is a number only with a "." or a
        // sign in it.
        const bool hexWithLetter = isDigit(word.front()) && UnitsTable::keyAddress(word)
                                   && std::any_of(word.begin(), word.end(), [](QChar c) { return !isDigit(c); });
        if (hexWithLetter && !mantissaWithE)
            return failed(fault, engineeringtexts::kMathAddressOrNumber.arg(word), start);
        if (const std::optional<double> number = decimalNumber(word)) {
            Node node;
            node.kind = Kind::Number;
            node.number = *number;
            return add(node);
        }
        if (isDigit(word.front()) || word.front() == u'.')
            return failed(fault, engineeringtexts::kMathBadNumber.arg(word), start);
        return failed(fault, engineeringtexts::kMathUnknownChannel.arg(word), start);
    }

    QString takeWord()
    {
        const qsizetype start = position_;
        while (position_ < text_.size() && isWordCharacter(text_.at(position_)))
            ++position_;
        return text_.mid(start, position_ - start);
    }

    static const FunctionName *functionNamed(const QString &word)
    {
        static const FunctionName functions[] = {{u"abs", 1},  {u"deriv", 1}, {u"integ", 1}, {u"mavg", 2},
                                                 {u"mrms", 2}, {u"min", 2},   {u"max", 2}};
        for (const FunctionName &function : functions) {
            if (word == QStringView(function.name))
                return &function;
        }
        return nullptr;
    }

    int inputNode(int index)
    {
        Node node;
        node.kind = Kind::Input;
        node.input = index;
        return add(node);
    }

    int call(const FunctionName &function, qsizetype start, MathFault *fault)
    {
        const QStringView name(function.name);
        if (++depth_ > kMaxDepth)
            return failed(fault, engineeringtexts::kMathTooDeep.arg(kMaxDepth), start);
        ++position_; // "("
        const int first = expression(fault);
        if (first < 0)
            return -1;
        Node node;
        node.left = first;
        const bool window = name == u"mavg" || name == u"mrms";
        if (function.arguments == 2) {
            if (!at(u','))
                return failed(fault, engineeringtexts::kMathExpectedComma);
            ++position_;
            if (window) {
                skipBlanks();
                const qsizetype countAt = position_;
                const std::optional<double> count = decimalNumber(takeWord());
                if (!count || *count < 1 || *count > kMaxPasses || std::floor(*count) != *count)
                    return failed(fault, engineeringtexts::kMathBadCount.arg(kMaxPasses), countAt);
                State state;
                state.passes = static_cast<int>(*count);
                state.values.assign(state.passes, 0.0);
                state.good.assign(state.passes, 0);
                node.state = static_cast<int>(out_.states_.size());
                out_.states_.push_back(std::move(state));
            } else {
                node.right = expression(fault);
                if (node.right < 0)
                    return -1;
            }
        }
        if (!at(u')'))
            return failed(fault, engineeringtexts::kMathExpectedClose);
        ++position_;
        --depth_;
        if (name == u"abs")
            node.kind = Kind::Abs;
        else if (name == u"min")
            node.kind = Kind::Min;
        else if (name == u"max")
            node.kind = Kind::Max;
        else if (name == u"mavg")
            node.kind = Kind::Mavg;
        else if (name == u"mrms")
            node.kind = Kind::Mrms;
        else {
            node.kind = name == u"deriv" ? Kind::Deriv : Kind::Integ;
            node.state = static_cast<int>(out_.states_.size());
            out_.states_.push_back(State{});
        }
        return add(node);
    }

    const QString &text_;
    qsizetype position_;
    const std::vector<MathInput> &inputs_;
    MathExpression &out_;
    int depth_ = 0;
};

std::optional<MathExpression> MathExpression::parse(const QString &text, qsizetype begin,
                                                    const std::vector<MathInput> &inputs, MathFault *fault)
{
    if (text.size() > kMaxLength) {
        if (fault)
            *fault = MathFault{kMaxLength, engineeringtexts::kMathTooLong.arg(kMaxLength)};
        return std::nullopt;
    }
    MathExpression expression;
    Parser parser(text, std::clamp<qsizetype>(begin, 0, text.size()), inputs, expression);
    if (!parser.parseWhole(fault))
        return std::nullopt;
    return expression;
}
