# Reference converter for the benchmark: turns an ns-2 wireless trace into
# iNSpect event lines (CR LF ended) with the same field and table rules as
# kavro-bench, so that both outputs can be compared byte for byte.
#
#   LC_ALL=C awk -f convert.awk TRACE > OUT
#
# LC_ALL=C keeps tolower to the letters A to Z and lets every other byte
# through. Each line is lower-cased whole, as the field rules read it. mawk's
# tolower stops at a NUL byte, so lines holding one may convert differently;
# ns-2 never writes one.

BEGIN {
    ORS = "\r\n"
    nrec = 0
}

# Records end at LF; a CR inside one ends a line too (a CR right before the
# LF is part of a CR LF end, so the empty piece after it is no line).
{
    if (index($0, "\r") == 0) {
        take($0)
        next
    }
    n = split($0, piece, "\r")
    for (k = 1; k < n; k++) take(piece[k])
    if (piece[n] != "") take(piece[n])
}

function take(raw,    kind, l, p, q, layer) {
    kind = substr(raw, 1, 1)
    # Only sends, receives and forwards can matter; skip the rest cheaply.
    if (kind != "s" && kind != "r" && kind != "f" && kind != "S" && kind != "R" && kind != "F")
        return
    kind = tolower(kind)
    l = tolower(raw)
    p = index(l, "_")
    q = 0
    if (p > 0) {
        q = index(substr(l, p + 1), "_")
        if (q > 0) q += p
    }
    # Without a second underscore the layer is read from the second character.
    layer = substr(l, q > 0 ? q + 2 : 2, 3)
    if (layer == "agt") {
        if (kind == "s") add_send(l, p, q)
        else if (kind == "r") add_receive(l, p, q)
    } else if (layer == "rtr" && kind == "f") {
        add_forward(l, p, q)
    }
}

function node_id(l, p, q) {
    return q > 0 ? substr(l, p + 1, q - p - 1) : ""
}

# The time as written: from the third character up to the next space.
function time_text(l,    rest, s) {
    if (length(l) < 3) return ""
    rest = substr(l, 3)
    s = index(rest, " ")
    return s > 0 ? substr(rest, 1, s - 1) : rest
}

# From four characters after the first "---" (or from the fourth character
# when there is none) up to the next space; empty when no space follows.
function packet_id(l,    d, rest, s) {
    d = index(l, "---")
    rest = substr(l, d > 0 ? d + 4 : 4)
    s = index(rest, " ")
    return s > 0 ? substr(rest, 1, s - 1) : ""
}

function add_send(l, p, q,    id) {
    nrec++
    id = packet_id(l)
    sendTime[nrec] = time_text(l)
    src[nrec] = node_id(l, p, q)
    pid[nrec] = id
    recvTime[nrec] = ""
    dst[nrec] = ""
    hops[nrec] = 0
    # The earliest record with an id takes every later receive and forward.
    if (!(id in first)) first[id] = nrec
}

function add_receive(l, p, q,    id, i) {
    id = packet_id(l)
    if (!(id in first)) return
    i = first[id]
    recvTime[i] = time_text(l)
    dst[i] = node_id(l, p, q)
}

function add_forward(l, p, q,    id, i, n, k) {
    id = packet_id(l)
    if (!(id in first)) return
    i = first[id]
    n = node_id(l, p, q)
    if (n == src[i] || n == dst[i]) return
    for (k = 1; k <= hops[i]; k++)
        if (hopNode[i, k] == n) return
    k = ++hops[i]
    hopNode[i, k] = n
    hopTime[i, k] = time_text(l)
}

# The path is the source, every relay in order, then the destination; each
# link gives a sending and a receiving line.
END {
    for (i = 1; i <= nrec; i++) {
        if (recvTime[i] == "") continue
        links = hops[i] + 1
        fromNode = src[i]
        fromTime = sendTime[i]
        for (k = 1; k <= links; k++) {
            if (k == links) {
                toNode = dst[i]
                toTime = recvTime[i]
            } else {
                toNode = hopNode[i, k]
                toTime = hopTime[i, k]
            }
            print fromNode " " fromTime " sending to " toNode (k == 1 ? " orginator " : " forwarding ") pid[i] " energy 5000"
            print toNode " " toTime " received from " fromNode (k == links ? " destination " : " forwarding ") pid[i] " energy 5000"
            fromNode = toNode
            fromTime = toTime
        }
    }
}
