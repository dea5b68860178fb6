# SPDX-License-Identifier: GPL-3.0-or-later
"""Source snippets and the exact mutants tools/mutate must make of them (tools/mutate --self-test).
Each mutant is written 'operator: original -> replacement'; a deleted call reads 'delete-call: <call>'."""

CASES = [
    # Template brackets are no comparisons; >> closes two templates.
    ("int f(long v) { return static_cast<int>(v) < std::numeric_limits<int>::max(); }",
     ["cmp-negate: < -> >=", "cmp-boundary: < -> <=", "return: static_cast<int>(v) < std::numeric_limits<int>::max() -> 0"]),
    ("void f(int a, int b) { std::vector<std::vector<int>> x; if (a >= b) g(x); }",
     ["cmp-negate: >= -> <", "cmp-boundary: >= -> >"]),
    # Strings, characters, comments and preprocessor lines are left alone.
    ('#define N 3\n#if N > 2\nvoid f() {\n    g("a < b", \'<\');  /* 1 < 2 */ // 3 > 4\n}\n#endif\n',
     ['delete-call: g("a < b", \'<\');']),
    # Array sizes, template arguments and static_assert keep their numbers; an index does not.
    ("void f() {\n    char buf[64];\n    std::array<int, 3> a{};\n    static_assert(sizeof buf == 64);\n    h(buf[1]);\n}",
     ["int+1: 1 -> 2", "int-1: 1 -> 0", "delete-call: h(buf[1]);"]),
    # Integer forms keep their base and suffix; 0 - 1 is written so that it still parses; floats are left.
    ("unsigned f(unsigned x) { return x - 0 + 0x1F + 1'000u + 010 + 1e5 + 0.5; }",
     ["int+1: 0 -> 1", "int-1: 0 -> (-1)", "int+1: 0x1F -> 0x20", "int-1: 0x1F -> 0x1E", "int+1: 1'000u -> 1001u",
      "int-1: 1'000u -> 999u", "int+1: 010 -> 011", "int-1: 010 -> 07",
      "return: x - 0 + 0x1F + 1'000u + 010 + 1e5 + 0.5 -> 0"]),
    # Conditions: the init-statement stays; a lone comparison is negated by its operator only.
    ("void f(int a, int b) {\n    if (auto p = get(); p && a < b) g();\n    while (a < b) ++a;\n}",
     ["negate-cond: p && a < b -> !(p && a < b)", "and-or: && -> ||", "cmp-negate: < -> >=", "cmp-boundary: < -> <=",
      "cmp-negate: < -> >=", "cmp-boundary: < -> <="]),
    # An rvalue reference is no logical and.
    ("void f(std::string&& s, auto&& t, bool a, bool b) { use(a || b); }",
     ["and-or: || -> &&"]),
    # Only whole statements that are calls are deleted; a brace-less body is kept.
    ("void f(Obj& obj, Obj* p) {\n    obj.f(x);\n    p->g().h(1, 2);\n    std::string s(x);\n    x = f();\n"
     "    if (c)\n        f();\n    Q_UNUSED(x);\n    a = 3; f(a);\n}",
     ["delete-call: obj.f(x);", "delete-call: p->g().h(1, 2);", "int+1: 1 -> 2", "int-1: 1 -> 0", "int+1: 2 -> 3",
      "int-1: 2 -> 1", "negate-cond: c -> !(c)", "int+1: 3 -> 4", "int-1: 3 -> 2"]),
    # Returned values: neutral only where the type says what is neutral.
    ("namespace {\nbool a() { return true; }\nstd::optional<int> b() { return 5 + x; }\nconst std::string& c() { return s; }\n"
     "auto d() { return s; }\nstd::optional<int> e() { return std::nullopt; }\n}\n"
     "int K::m() const {\n    auto l = [](int v) { return v; };\n    return l(x);\n}\n"
     "K::K() : a_{1} {\n    go();\n}\n",
     ["return: true -> false", "return: 5 + x -> {}", "int+1: 5 -> 6", "int-1: 5 -> 4", "return: l(x) -> 0",
      "int+1: 1 -> 2", "int-1: 1 -> 0", "delete-call: go();"]),
]


def run(mutants_of):
    failures = 0
    for source, expected in CASES:
        got = []
        for start, end, replacement, op in mutants_of(source)[0]:
            original = source[start:end]
            got.append(f"{op}: {original}" if op == "delete-call" else f"{op}: {original} -> {replacement}")
        missing = [e for e in expected if e not in got]
        extra = [g for g in got if g not in expected]
        if sorted(got) != sorted(expected):
            failures += 1
            print(f"FAIL {source!r}\n  missing: {missing}\n  unexpected: {extra}")
    print(f"{len(CASES) - failures}/{len(CASES)} cases pass")
    return 1 if failures else 0
