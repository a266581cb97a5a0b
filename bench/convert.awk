# Reference converter for the benchmark: turns an ns-2 wireless trace, in
# any of its three trace formats, into iNSpect event lines (CR LF ended) with the same
# field and table rules as kavro, so that both outputs can be compared byte
# for byte.
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

function take(raw,    kind, l, newfmt, tagged, layer, s) {
    kind = tolower(substr(raw, 1, 1))
    # Only sends, receives and forwards can matter (+ and h are the tagged
    # format's send and forward); skip the rest cheaply.
    if (kind != "s" && kind != "r" && kind != "f" && kind != "+" && kind != "h")
        return
    l = tolower(raw)
    newfmt = substr(l, 2, 4) == " -t "
    # Tagged: the word after the time begins with a dash.
    tagged = 0
    if (!newfmt && substr(l, 2, 1) == " " && length(l) >= 4 && kind != "s" && kind != "f") {
        s = index(substr(l, 3), " ")
        tagged = s > 0 && substr(l, s + 3, 1) == "-"
    }
    if (tagged) kind = kind == "+" ? "s" : kind == "h" ? "f" : kind
    else if (kind == "+" || kind == "h") return
    # The layer decides; the other fields are cut only for lines that matter.
    if (newfmt) {
        layer = tag(l, "nl")
    } else if (tagged) {
        layer = tag(l, "k")
    } else {
        # Without a second underscore the layer is read from the second
        # character; old_fields reuses the underscores' places u1 and u2.
        u1 = index(l, "_")
        u2 = 0
        if (u1 > 0) {
            u2 = index(substr(l, u1 + 1), "_")
            if (u2 > 0) u2 += u1
        }
        layer = substr(l, u2 > 0 ? u2 + 2 : 2, 3)
    }
    # Any routing-layer line, and the trace's hops are its forwards; without
    # one, its MAC receives.
    if (layer == "rtr") routed = 1
    mac = layer == "mac" && kind == "r"
    if (layer == "agt") {
        if (kind != "s" && kind != "r") return
    } else if (!mac && (layer != "rtr" || kind != "f")) {
        return
    }
    if (newfmt) new_fields(l)
    else if (tagged) tagged_fields(l)
    else old_fields(l)
    if (mac) add_mac()
    else if (kind == "s") add_send()
    else if (kind == "r") add_receive()
    else add_forward()
}

# New format: each field is the value after the first " -tag ", up to the
# next space or the end of the line.
function tag(l, t,    p, rest, s) {
    p = index(l, " -" t " ")
    if (p == 0) return ""
    rest = substr(l, p + length(t) + 3)
    s = index(rest, " ")
    return s > 0 ? substr(rest, 1, s - 1) : rest
}

function new_fields(l) {
    f_time = tag(l, "t")
    f_node = tag(l, "ni")
    f_id = tag(l, "ii")
    f_type = tag(l, "it")
}

# Tagged format: the time is the second word; then tags, as in the new format.
function tagged_fields(l,    rest, s) {
    rest = substr(l, 3)
    s = index(rest, " ")
    f_time = substr(rest, 1, s - 1)
    f_node = tag(l, "s")
    f_id = tag(l, "i")
    f_type = tag(l, "p")
}

# Old format: positional fields.
function old_fields(l,    d, rest, s) {
    f_node = u2 > 0 ? substr(l, u1 + 1, u2 - u1 - 1) : ""
    # The time as written: from the third character up to the next space.
    if (length(l) < 3) f_time = ""
    else {
        rest = substr(l, 3)
        s = index(rest, " ")
        f_time = s > 0 ? substr(rest, 1, s - 1) : rest
    }
    # The id runs from four characters after the first "---" (or from the
    # fourth character when there is none) up to the next space, and is empty
    # when no space follows; the type is the next word.
    d = index(l, "---")
    rest = substr(l, d > 0 ? d + 4 : 4)
    s = index(rest, " ")
    if (s == 0) {
        f_id = ""
        f_type = ""
        return
    }
    f_id = substr(rest, 1, s - 1)
    rest = substr(rest, s + 1)
    s = index(rest, " ")
    f_type = s > 0 ? substr(rest, 1, s - 1) : rest
}

function add_send() {
    nrec++
    sendTime[nrec] = f_time
    src[nrec] = f_node
    pid[nrec] = f_id
    ptype[nrec] = f_type
    recvTime[nrec] = ""
    dst[nrec] = ""
    hops[nrec] = 0
    macs[nrec] = 0
    # The earliest record with an id takes every later receive and forward
    # of its own packet type.
    if (!(f_id in first)) first[f_id] = nrec
}

function add_receive(    i) {
    if (!(f_id in first)) return
    i = first[f_id]
    if (ptype[i] != f_type) return
    recvTime[i] = f_time
    dst[i] = f_node
}

function add_forward(    i, k) {
    if (!(f_id in first)) return
    i = first[f_id]
    if (ptype[i] != f_type) return
    if (f_node == src[i] || f_node == dst[i]) return
    for (k = 1; k <= hops[i]; k++)
        if (hopNode[i, k] == f_node) return
    k = ++hops[i]
    hopNode[i, k] = f_node
    hopTime[i, k] = f_time
}

# A MAC receive, held apart until the end tells whether a routing-layer
# line came; by the forward's rules.
function add_mac(    i, k) {
    if (!(f_id in first)) return
    i = first[f_id]
    if (ptype[i] != f_type) return
    if (f_node == src[i] || f_node == dst[i]) return
    for (k = 1; k <= macs[i]; k++)
        if (macNode[i, k] == f_node) return
    k = ++macs[i]
    macNode[i, k] = f_node
    macTime[i, k] = f_time
}

# The path is the source, every relay in order, then the destination; each
# link gives a sending and a receiving line. Without routing-layer lines the
# relays are the MAC receives, but for the receiver's own.
END {
    for (i = 1; i <= nrec; i++) {
        if (recvTime[i] == "") continue
        if (!routed) {
            hops[i] = 0
            for (k = 1; k <= macs[i]; k++) {
                if (macNode[i, k] == dst[i]) continue
                h = ++hops[i]
                hopNode[i, h] = macNode[i, k]
                hopTime[i, h] = macTime[i, k]
            }
        }
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
