#pragma once
// The conversion written as plainly as the rules read, with no speed in
// mind: the tests and the fuzz target hold the real one against it.
#include <string>
#include <string_view>
#include <vector>

namespace ref {

inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// CR LF, a lone CR and a lone LF each end a line; a final empty line is not one.
inline std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        lines.push_back(line);
        line.clear();
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// The text after the first " -tag " up to the next space.
inline std::string Tag(const std::string& l, const std::string& tag) {
    const size_t at = l.find(" -" + tag + " ");
    if (at == std::string::npos) return "";
    const size_t from = at + tag.size() + 3;
    return l.substr(from, l.find(' ', from) - from);
}

inline std::string WordAt(const std::string& l, size_t from) {
    if (from >= l.size()) return "";
    return l.substr(from, l.find(' ', from) - from);
}

struct Fields {
    char kind = 0;  // s r f, whatever the format wrote
    std::string layer, time, node, id, type;
};

inline Fields Read(const std::string& l) {
    Fields f;
    if (l.empty()) return f;
    f.kind = l[0];
    const size_t timeEnd = l.size() > 2 ? l.find(' ', 2) : std::string::npos;
    const bool isNew = l.size() >= 5 && l.compare(1, 4, " -t ") == 0;
    const bool isTagged = !isNew && l.size() >= 4 && l[1] == ' ' &&
                          std::string_view("+hrd").find(l[0]) != std::string_view::npos &&
                          timeEnd != std::string::npos && timeEnd + 1 < l.size() &&
                          l[timeEnd + 1] == '-';
    if (isNew) {
        f = {l[0], Tag(l, "nl"), Tag(l, "t"), Tag(l, "ni"), Tag(l, "ii"), Tag(l, "it")};
    } else if (isTagged) {
        f = {l[0] == '+' ? 's' : l[0] == 'h' ? 'f' : l[0], Tag(l, "k"), WordAt(l, 2),
             Tag(l, "s"),                                   Tag(l, "i"), Tag(l, "p")};
    } else {
        f.time = WordAt(l, 2);
        const size_t p = l.find('_');
        const size_t q = p == std::string::npos ? p : l.find('_', p + 1);
        if (q != std::string::npos) f.node = l.substr(p + 1, q - p - 1);
        const size_t layerAt = q == std::string::npos ? 1 : q + 2;
        if (layerAt < l.size()) f.layer = l.substr(layerAt, 3);
        const size_t dashes = l.find("---");
        const size_t idAt = dashes == std::string::npos ? 3 : dashes + 4;
        const size_t space = idAt < l.size() ? l.find(' ', idAt) : std::string::npos;
        if (space != std::string::npos) {
            f.id = l.substr(idAt, space - idAt);
            f.type = WordAt(l, space + 1);
        }
    }
    return f;
}

struct Hop {
    std::string node, time;
};
struct Record {
    std::string sendTime, src, id, type, recvTime, dst;
    std::vector<Hop> hops;
    std::vector<Hop> macHops;  // from MAC receives, for a trace without routing-layer lines
};

struct Result {
    std::vector<Record> table;
    size_t agentLines = 0;
    size_t routingLines = 0;
};

inline int Find(const std::vector<Record>& table, const std::string& id) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].id == id) return static_cast<int>(i);
    return -1;
}

inline Result Convert(std::string_view text) {
    Result r;
    for (const std::string& raw : Lines(text)) {
        const Fields f = Read(Lower(raw));
        if (f.layer == "rtr" && (f.kind == 's' || f.kind == 'r' || f.kind == 'f')) ++r.routingLines;
        const bool send = f.layer == "agt" && f.kind == 's';
        const bool receive = f.layer == "agt" && f.kind == 'r';
        const bool forward = f.layer == "rtr" && f.kind == 'f';
        const bool mac = f.layer == "mac" && f.kind == 'r';
        if (!(send || receive || forward || mac)) continue;
        r.agentLines += send || receive;
        if (send) {
            r.table.push_back({f.time, f.node, f.id, f.type, "", "", {}, {}});
            continue;
        }
        const int i = Find(r.table, f.id);
        if (i < 0 || r.table[i].type != f.type) continue;
        Record& rec = r.table[i];
        if (receive) {
            rec.recvTime = f.time;
            rec.dst = f.node;
            continue;
        }
        std::vector<Hop>& hops = mac ? rec.macHops : rec.hops;
        bool onPath = f.node == rec.src || f.node == rec.dst;
        for (const Hop& h : hops) onPath = onPath || h.node == f.node;
        if (!onPath) hops.push_back({f.node, f.time});
    }
    // Without a routing-layer line, the MAC receives are the hops, but for
    // the one at the receiver.
    if (r.routingLines == 0)
        for (Record& rec : r.table) {
            rec.hops.clear();
            for (const Hop& h : rec.macHops)
                if (rec.recvTime.empty() || h.node != rec.dst) rec.hops.push_back(h);
        }
    return r;
}

// The event file: each line followed by CR LF.
inline std::string EventFile(const std::vector<Record>& table) {
    std::string out;
    for (const Record& rec : table) {
        if (rec.recvTime.empty()) continue;
        std::vector<Hop> path{{rec.src, rec.sendTime}};
        path.insert(path.end(), rec.hops.begin(), rec.hops.end());
        path.push_back({rec.dst, rec.recvTime});
        for (size_t k = 0; k + 1 < path.size(); ++k) {
            const Hop& a = path[k];
            const Hop& b = path[k + 1];
            out += a.node + " " + a.time + " sending to " + b.node +
                   (k == 0 ? " orginator " : " forwarding ") + rec.id + " energy 5000\r\n";
            out += b.node + " " + b.time + " received from " + a.node +
                   (k + 2 == path.size() ? " destination " : " forwarding ") + rec.id +
                   " energy 5000\r\n";
        }
    }
    return out;
}

}  // namespace ref
