// Parsing a libpq connection string as libpq does, and letting through only the safe keywords.
#include "core/common/connection_setting.h"

#include <QList>
#include <QStringList>
#include <optional>

namespace ronvalo {

namespace {

struct Pair {
    QString keyword;
    QString value;
};

const QStringList& allowedKeywords() {
    static const QStringList keywords = {
        QStringLiteral("host"),
        QStringLiteral("port"),
        QStringLiteral("dbname"),
        QStringLiteral("user"),
        QStringLiteral("sslmode"),
        QStringLiteral("sslrootcert"),
        QStringLiteral("connect_timeout"),
        QStringLiteral("application_name"),
        QStringLiteral("keepalives"),
        QStringLiteral("keepalives_idle"),
        QStringLiteral("keepalives_interval"),
        QStringLiteral("keepalives_count"),
    };
    return keywords;
}

const QStringList& sslModes() {
    static const QStringList modes = {
        QStringLiteral("disable"), QStringLiteral("allow"),     QStringLiteral("prefer"),
        QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full"),
    };
    return modes;
}

// libpq's separators: C's isspace().
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool isControl(QChar c) {
    return c.category() == QChar::Other_Control;
}

class Refusal {
public:
    explicit Refusal(const QString& place) : place_(place) {}
    [[noreturn]] void operator()(const QString& why) const {
        throw EServerSetting(
            QStringLiteral("Ustawienie serwera bazy danych (%1): %2").arg(place_, why));
    }

private:
    QString place_;
};

// The pairs in libpq's order, as libpq reads them: a keyword runs to a blank or "=", blanks may
// stand around "=", a value is either quoted (\ takes the next character as it is) or runs to
// the next blank (\ likewise).
class Parser {
public:
    Parser(const QString& text, const Refusal& refuse) : text_(text), refuse_(refuse) {}

    QList<Pair> pairs() {
        QList<Pair> result;
        for (skipBlanks(); pos_ < text_.size(); skipBlanks())
            result.append(pair());
        return result;
    }

private:
    Pair pair() {
        Pair one;
        while (pos_ < text_.size() && !isBlank(text_[pos_]) && text_[pos_] != u'=')
            one.keyword += text_[pos_++];
        skipBlanks();
        if (one.keyword.isEmpty())
            refuse_(QStringLiteral("brak słowa kluczowego przed znakiem „=”"));
        if (pos_ >= text_.size() || text_[pos_] != u'=')
            refuse_(QStringLiteral("po „%1” brak znaku „=” i wartości").arg(one.keyword));
        ++pos_;
        skipBlanks();
        one.value = pos_ < text_.size() && text_[pos_] == u'\'' ? quoted(one.keyword) : plain();
        return one;
    }

    QString quoted(const QString& keyword) {
        QString value;
        for (++pos_; pos_ < text_.size(); ++pos_) {
            if (text_[pos_] == u'\'') {
                ++pos_;
                return value;
            }
            if (text_[pos_] == u'\\' && pos_ + 1 < text_.size())
                ++pos_;
            value += text_[pos_];
        }
        refuse_(QStringLiteral("wartość „%1” nie ma zamykającego apostrofu").arg(keyword));
    }

    QString plain() {
        QString value;
        for (; pos_ < text_.size() && !isBlank(text_[pos_]); ++pos_) {
            if (text_[pos_] == u'\\' && ++pos_ >= text_.size())
                break;
            value += text_[pos_];
        }
        return value;
    }

    void skipBlanks() {
        while (pos_ < text_.size() && isBlank(text_[pos_]))
            ++pos_;
    }

    const QString& text_;
    const Refusal& refuse_;
    qsizetype pos_ = 0;
};

void checkCharacters(const QString& setting, const Refusal& refuse) {
    if (setting.startsWith(QStringLiteral("postgresql://")) ||
        setting.startsWith(QStringLiteral("postgres://")))
        refuse(QStringLiteral("postać adresu (postgresql://...) jest niedozwolona; podaj pary "
                              "słowo=wartość, np. host=serwer dbname=ronvalo user=operator"));
    if (setting.contains(u';'))
        refuse(QStringLiteral("znak „;” jest niedozwolony"));
    for (const QChar c : setting)
        if (isControl(c) && !isBlank(c))
            refuse(QStringLiteral("znak sterujący jest niedozwolony"));
}

void checkPairs(const QList<Pair>& pairs, const Refusal& refuse) {
    QStringList seen;
    for (const Pair& pair : pairs) {
        if (!allowedKeywords().contains(pair.keyword))
            refuse(QStringLiteral("słowo kluczowe „%1” jest niedozwolone; dozwolone: %2")
                       .arg(pair.keyword, allowedKeywords().join(QStringLiteral(", "))));
        if (seen.contains(pair.keyword))
            refuse(
                QStringLiteral("słowo kluczowe „%1” występuje więcej niż raz").arg(pair.keyword));
        seen.append(pair.keyword);
        for (const QChar c : pair.value)
            if (isControl(c))
                refuse(QStringLiteral("wartość „%1” zawiera znak sterujący").arg(pair.keyword));
    }
}

std::optional<QString> valueOf(const QList<Pair>& pairs, const QString& keyword) {
    for (const Pair& pair : pairs)
        if (pair.keyword == keyword)
            return pair.value;
    return std::nullopt;
}

// Whether libpq goes over a network: a host (of a list, "a,b") that is not a socket folder; an
// empty one is the default, a socket on POSIX and localhost on Windows.
bool overNetwork(const std::optional<QString>& host) {
#ifdef Q_OS_WIN
    constexpr bool defaultOverNetwork = true;
#else
    constexpr bool defaultOverNetwork = false;
#endif
    if (!host)
        return defaultOverNetwork;
    for (const QString& one : host->split(u','))
        if (one.isEmpty() ? defaultOverNetwork : !one.startsWith(u'/'))
            return true;
    return false;
}

void checkValues(const QList<Pair>& pairs, const Refusal& refuse) {
    // libpq would read a dbname that is itself a connection string in some of its calls.
    if (const auto dbname = valueOf(pairs, QStringLiteral("dbname"));
        dbname && (dbname->contains(u'=') || dbname->contains(QStringLiteral("://"))))
        refuse(QStringLiteral("wartość „dbname” ma być nazwą bazy, nie napisem połączenia"));
    const auto mode = valueOf(pairs, QStringLiteral("sslmode"));
    if (!mode)
        return;
    if (!sslModes().contains(*mode))
        refuse(QStringLiteral("nieznana wartość „%1” słowa kluczowego „sslmode”").arg(*mode));
    if (overNetwork(valueOf(pairs, QStringLiteral("host"))) && *mode != u"verify-full" &&
        *mode != u"verify-ca")
        refuse(QStringLiteral("sslmode=%1 jest niedozwolone przez sieć; dozwolone: verify-full "
                              "(także bez sslmode), verify-ca")
                   .arg(*mode));
}

QString quotedWhereNeeded(const QString& value) {
    bool plain = !value.isEmpty();
    for (const QChar c : value)
        plain = plain && !isBlank(c) && c != u'\'' && c != u'\\';
    if (plain)
        return value;
    QString text = QStringLiteral("'");
    for (const QChar c : value) {
        if (c == u'\'' || c == u'\\')
            text += u'\\';
        text += c;
    }
    return text + u'\'';
}

} // namespace

QString checkedConnectionSetting(const QString& setting, const QString& place) {
    const Refusal refuse(place);
    const QString text = setting.trimmed();
    checkCharacters(text, refuse);
    QList<Pair> pairs = Parser(text, refuse).pairs();
    checkPairs(pairs, refuse);
    checkValues(pairs, refuse);
    if (pairs.isEmpty())
        return {};
    // Without it libpq would try TLS and go on without it, or with any certificate.
    if (!valueOf(pairs, QStringLiteral("sslmode")))
        pairs.append({QStringLiteral("sslmode"), QStringLiteral("verify-full")});
    QStringList parts;
    for (const Pair& pair : pairs)
        parts.append(pair.keyword + u'=' + quotedWhereNeeded(pair.value));
    return parts.join(u' ');
}

} // namespace ronvalo
