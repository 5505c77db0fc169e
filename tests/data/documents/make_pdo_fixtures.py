#!/usr/bin/env python3
"""Writes the pdo.xml fixtures of the documents tests (indented, with a declaration,
so they also show that readers ignore both). Run from this folder."""

def pdo_lines(kind, n, values, drop=()):
    tag = ("Trasmite_PDO" if kind == "T" else "Recive_PDO") + str(n)
    p = ("TP" if kind == "T" else "RP") + str(n)
    lines = [f"  <{tag}>"]
    def el(name, text):
        if name in drop:
            return
        lines.append(f"    <{name}>{text}</{name}>" if text != "" else f"    <{name}/>")
    el("ComboBox", values.get("ComboBox", "0" if n <= 2 else ""))
    for w in range(1, 5):
        addr = values.get(f"W{w}_addr", "")
        octets = addr.split(".") if addr else ["", "", "", ""]
        for k in range(4):
            el(f"{p}_W{w}_Add_Dev_IP_B{k + 1}", octets[k])
        el(f"{p}_W{w}_Add_Data", values.get(f"W{w}_data", ""))
        el(f"{p}_W{w}_Add_Mnemonic", values.get(f"W{w}_mn", ""))
        if kind == "T":
            el(f"{p}_W{w}_Delta_Send", values.get(f"W{w}_delta", "1000"))
    if n <= 2:
        for w in range(5, 9):
            for k in range(4):
                el(f"{p}_W{w}_Add_Dev_IP_B{k + 1}", "0")
            el(f"{p}_W{w}_Add_Data", "0")
            el(f"{p}_W{w}_Add_Mnemonic", "")
    el(f"{p}_Dimension", values.get("dim", "3"))
    lines.append(f"  </{tag}>")
    return lines

BASE = {
    ("T", 1): {"ComboBox": "2", "W1_addr": "192.168.1.125", "W1_data": "$FFFF", "W1_mn": "Température",
               "W1_delta": "0x10", "W2_addr": "10.0.0.1", "W2_data": "31", "dim": "7"},
    ("T", 2): {"ComboBox": "9", "W3_addr": "192.168.1.125", "W3_data": "100", "W3_mn": "Pressure", "dim": "1"},
    ("T", 3): {"W4_addr": "10.1.2.3", "W4_data": "7", "W4_delta": "", "dim": "0"},
    ("T", 4): {"dim": "x"},
    ("R", 1): {"ComboBox": "$1", "W1_addr": "172.16.0.9", "W1_data": "0", "W1_mn": "Valve 温度", "dim": "0"},
    ("R", 2): {"W2_addr": "172.16.0.10", "W2_data": "65535", "W2_mn": "Motor", "dim": "2"},
    ("R", 3): {"W1_mn": "r3", "dim": "3"},
    ("R", 4): {"W4_addr": "1.2.3.4", "dim": "1"},
}

def document(skip_pdo=None, values=BASE, drops=None):
    drops = drops or {}
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<PDO_Setting>"]
    for kind in ("T", "R"):
        for n in range(1, 5):
            if (kind, n) == skip_pdo:
                continue
            lines += pdo_lines(kind, n, values[(kind, n)], drops.get((kind, n), ()))
    lines.append("</PDO_Setting>")
    return "\n".join(lines) + "\n"

def write(name, text):
    with open(name, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)

write("pdo_full.xml", document())
write("pdo_missing_recive_pdo2.xml", document(skip_pdo=("R", 2)))
bad3 = dict(BASE)
bad3[("T", 3)] = dict(BASE[("T", 3)], W1_addr="10.20.30.40")
write("pdo_tp3_b2_missing.xml", document(values=bad3, drops={("T", 3): ("TP3_W1_Add_Dev_IP_B2",)}))
bad1 = dict(BASE)
bad1[("T", 1)] = dict(BASE[("T", 1)], W1_addr="10.20.30.40")
write("pdo_tp1_b2_missing.xml", document(values=bad1, drops={("T", 1): ("TP1_W1_Add_Dev_IP_B2",)}))
write("pdo_no_delta_send.xml", "".join(
    line + "\n" for line in document().splitlines() if "Delta_Send" not in line))
