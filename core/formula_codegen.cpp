#include "core/formula_codegen.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tarvik::formula {

namespace {

struct Operand {
    uint8_t kind;
    int32_t x;
};

uint8_t Base(Op op, bool reversed) {
    switch (op) {
    case Op::Add: return kAdd;
    case Op::Subtract: return reversed ? kSubtractFrom : kSubtract;
    case Op::Multiply: return kMultiply;
    case Op::Divide: return reversed ? kDivideInto : kDivide;
    default: return reversed ? kPowerOf : kPower;
    }
}

class Generator {
public:
    Generator(const Graph& g, int n, Target target) : g_(g), n_(n), target_(target) {
        poolOf_.assign(static_cast<std::size_t>(g.NodeCount()), -1);
        hasChildren_.assign(static_cast<std::size_t>(g.ScopeCount()), 0);
        for (int32_t s = 1; s < g.ScopeCount(); ++s) hasChildren_[static_cast<std::size_t>(g.scope(s).parent)] = 1;
        codeOf_.assign(static_cast<std::size_t>(g.LoopCount()), -1);
        resultSlots_.resize(static_cast<std::size_t>(g.LoopCount()));
        externals_.resize(static_cast<std::size_t>(g.LoopCount()));
        dependsOnDirection_.assign(static_cast<std::size_t>(g.NodeCount()), 0);
        for (NodeId x = 0; x < g.NodeCount(); ++x) {
            const Node& node = g.node(x);
            char& d = dependsOnDirection_[static_cast<std::size_t>(x)];
            if (node.op == Op::Direction) d = 1;
            else if (node.op == Op::LoopResult) d = dependsOnDirection_[static_cast<std::size_t>(g.loop(node.ref).results[static_cast<std::size_t>(node.output)])];
            if (node.a != kNoNode && dependsOnDirection_[static_cast<std::size_t>(node.a)]) d = 1;
            if (node.b != kNoNode && dependsOnDirection_[static_cast<std::size_t>(node.b)]) d = 1;
        }
    }

    bool DependsOnDirection(NodeId x) const { return dependsOnDirection_[static_cast<std::size_t>(x)] != 0; }

    // The effects of loop l on this program's vector. A loop of another
    // derivative that this program runs for its results (a sum the
    // product of the Hessian reads) adds nothing into the gradient here.
    std::vector<Effect> EffectsOf(int32_t l) const {
        std::vector<Effect> effects;
        for (const Effect& e : g_.loop(l).effects)
            if (e.target == target_) effects.push_back(e);
        return effects;
    }

    // The loops that loop l runs for their effects on this program's vector.
    std::vector<int32_t> ChildrenOf(int32_t l) const {
        std::vector<int32_t> children;
        for (const int32_t c : g_.loop(l).children)
            if (AddsToTarget(c)) children.push_back(c);
        return children;
    }

    bool AddsToTarget(int32_t l) const {
        for (const Effect& e : g_.loop(l).effects)
            if (e.target == target_) return true;
        for (const int32_t c : g_.loop(l).children)
            if (AddsToTarget(c)) return true;
        return false;
    }

    Program Run(int32_t top) {
        GenerateLoop(top);
        for (LoopCode& c : p_.codes) {
            c.streamBase = p_.streamCount;
            p_.streamCount += static_cast<int32_t>(c.streams.size());
        }
        for (int32_t i = 0; i < g_.IndexCount(); ++i) p_.indexes.push_back(g_.index(i));
        for (int32_t s = 0; s < g_.ScopeCount(); ++s) p_.scopes.push_back(g_.scope(s));
        return std::move(p_);
    }

    // The pool scalar that holds x for the codes that read it from outside
    // its own loop: a loop's result is where the loop sums it.
    int32_t ScalarOf(NodeId x) {
        const Node& n = g_.node(x);
        if (n.op == Op::LoopResult) return ResultSlots(n.ref)[static_cast<std::size_t>(n.output)];
        return PoolOf(x);
    }

    // The pool scalars where loop l sums its results (a code may read them
    // before the loop's own code is made).
    const std::vector<int32_t>& ResultSlots(int32_t l) {
        std::vector<int32_t>& sums = resultSlots_[static_cast<std::size_t>(l)];
        while (sums.size() < g_.loop(l).results.size()) {
            sums.push_back(static_cast<int32_t>(p_.pool.size()));
            p_.pool.push_back(0);
        }
        return sums;
    }

    int32_t PoolOf(NodeId x) {
        int32_t& slot = poolOf_[static_cast<std::size_t>(x)];
        if (slot == -1) {
            slot = static_cast<int32_t>(p_.pool.size());
            const Node& n = g_.node(x);
            p_.pool.push_back(n.op == Op::Constant ? n.value : n.op == Op::Dimension ? static_cast<Real>(n_) : 0.0L);
        }
        return slot;
    }

    int32_t GenerateLoop(int32_t l);

    const Graph& g_;
    const int n_;
    const Target target_;
    Program p_;
    std::vector<int32_t> poolOf_;
    std::vector<char> hasChildren_;
    std::vector<int32_t> codeOf_;
    std::vector<std::vector<int32_t>> resultSlots_;
    std::vector<std::vector<NodeId>> externals_;  // per loop: values of outer scopes its code reads
    std::vector<char> dependsOnDirection_;        // per node: its value depends on v
};

// The code of one loop.
class CodeBuilder {
public:
    CodeBuilder(Generator& gen, int32_t loop, int32_t code)
        : gen_(gen), g_(gen.g_), loop_(loop), code_(code), scope_(g_.loop(loop).scope),
          effects_(gen.EffectsOf(loop)), children_(gen.ChildrenOf(loop)) {
        width_ = scope_ != 0 && !gen.hasChildren_[static_cast<std::size_t>(scope_)] ? 4 : 1;
    }

    void Build() {
        const Loop& l = g_.loop(loop_);
        Collect();
        CountUses();
        if (width_ == 4 && !AllAffine()) width_ = 1;
        if (width_ == 4) OrderEffectsByTerm();
        for (std::size_t k = 0; k < l.results.size(); ++k) {
            EmitRoot(l.results[k]);
            if (scope_ != 0) Emit(kAccumulate, 0, gen_.ResultSlots(loop_)[k]);
            inAccumulator_ = l.results[k];
        }
        for (const Effect& e : effects_) {
            EmitRoot(e.value);
            const uint8_t fn = static_cast<uint8_t>((e.target == Target::HessianProduct ? 1 : 0) | (e.subtract ? 2 : 0));
            Emit(kScatter, fn, StreamOf(e.index));
            inAccumulator_ = e.value;
        }
        for (const int32_t child : children_) EmitItem(LoopItem(child));
        Emit(kEnd, 0, 0);

        LoopCode& c = gen_.p_.codes[static_cast<std::size_t>(code_)];
        c.linearInDirection = width_ == 4 && (!l.results.empty() || !effects_.empty());
        for (const NodeId r : l.results)
            if (!gen_.DependsOnDirection(r)) c.linearInDirection = false;
        for (const Effect& e : effects_)
            if (!gen_.DependsOnDirection(e.value)) c.linearInDirection = false;
        for (const NodeId e : externals_)
            if (gen_.DependsOnDirection(e)) c.directionInputs.push_back(gen_.ScalarOf(e));
        c.scope = scope_;
        c.width = width_;
        c.code = std::move(code_text_);
        c.streams = std::move(streams_);
        c.results = gen_.ResultSlots(loop_);
        gen_.p_.slotCount = std::max(gen_.p_.slotCount, slotsUsed_ + slotsPeak_);
        gen_.externals_[static_cast<std::size_t>(loop_)].assign(externals_.begin(), externals_.end());
        std::sort(gen_.externals_[static_cast<std::size_t>(loop_)].begin(), gen_.externals_[static_cast<std::size_t>(loop_)].end());
    }

private:
    struct Info {
        int uses = 0;
        bool forced = false;  // read by an inner loop
        bool stored = false;  // computed and kept
        int32_t slot = -1;
    };

    // Items are nodes to compute and keep (>= 0) and loops to run (< 0).
    static int64_t LoopItem(int32_t l) { return -static_cast<int64_t>(l) - 1; }

    // A sum with an index that is not affine in its own index runs one term at a time.
    bool AllAffine() const {
        for (const auto& entry : info_) {
            const Node& n = g_.node(entry.first);
            if ((n.op == Op::Coordinate || n.op == Op::Direction) && !IsAffineIn(g_.index(n.ref), scope_)) return false;
        }
        for (const Effect& e : effects_)
            if (!IsAffineIn(g_.index(e.index), scope_)) return false;
        return true;
    }

    // Four terms at a time, one scatter adds into the vector for all four:
    // when the indices move alike (u[i+1] and u[i]), the scatter whose index
    // is ahead goes first, so that each component receives the shares of
    // the terms in the order of the terms, as one term at a time would.
    void OrderEffectsByTerm() {
        struct Keyed {
            int64_t base, step;
            Effect e;
        };
        std::vector<Keyed> keyed;
        std::vector<int64_t> at(static_cast<std::size_t>(g_.ScopeCount()), 0);
        for (const Effect& e : effects_) {
            int64_t first = 0, second = 0;
            int32_t where = 0;
            at[static_cast<std::size_t>(scope_)] = 0;
            if (EvaluateIndex(g_.index(e.index), gen_.n_, at.data(), first, where) != IndexFault::None) return;
            at[static_cast<std::size_t>(scope_)] = 1;
            if (EvaluateIndex(g_.index(e.index), gen_.n_, at.data(), second, where) != IndexFault::None) return;
            keyed.push_back({first, second - first, e});
        }
        for (const Keyed& k : keyed)
            if (k.step != keyed.front().step || k.step == 0) return;
        std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& p, const Keyed& q) {
            return p.step > 0 ? p.base > q.base : p.base < q.base;
        });
        for (std::size_t k = 0; k < keyed.size(); ++k) effects_[k] = keyed[k].e;
    }

    bool Mine(NodeId x) const {
        const Node& n = g_.node(x);
        return n.scope == scope_ && n.op != Op::Constant && n.op != Op::Dimension;
    }
    static bool Direct(Op op) {
        return op == Op::Coordinate || op == Op::Direction || op == Op::SumIndex || op == Op::LoopResult;
    }
    bool Kept(NodeId x) const {
        const auto it = info_.find(x);
        if (it == info_.end() || Direct(g_.node(x).op)) return false;
        return it->second.forced || it->second.uses >= 2;
    }

    // Every value of this scope the roots need, the inner loops they run
    // (generated first: their own outer values are needed here) and the
    // values of outer scopes read here.
    void Collect() {
        const Loop& l = g_.loop(loop_);
        std::vector<NodeId> pending(l.results.begin(), l.results.end());
        for (const Effect& e : effects_) pending.push_back(e.value);
        for (const int32_t child : children_) Need(child, pending);
        while (!pending.empty()) {
            const NodeId x = pending.back();
            pending.pop_back();
            if (!Mine(x)) {
                const Op op = g_.node(x).op;
                if (op != Op::Constant && op != Op::Dimension) externals_.insert(x);
                continue;
            }
            if (!info_.emplace(x, Info{}).second) continue;
            const Node& n = g_.node(x);
            if (n.op == Op::LoopResult) Need(n.ref, pending);
            if (n.a != kNoNode) pending.push_back(n.a);
            if (n.b != kNoNode) pending.push_back(n.b);
        }
        for (const NodeId x : forced_) info_[x].forced = true;
    }

    // An inner loop runs here: its values of this scope are kept for it.
    void Need(int32_t inner, std::vector<NodeId>& pending) {
        if (!loops_.insert(inner).second) return;
        gen_.GenerateLoop(inner);
        for (const NodeId e : gen_.externals_[static_cast<std::size_t>(inner)]) {
            pending.push_back(e);
            if (Mine(e)) forced_.push_back(e);
        }
    }

    void CountUses() {
        const auto use = [this](NodeId o) {
            if (o == kNoNode) return;
            const auto it = info_.find(o);
            if (it != info_.end()) ++it->second.uses;
        };
        for (const auto& entry : info_) {
            use(g_.node(entry.first).a);
            use(g_.node(entry.first).b);
        }
        const Loop& l = g_.loop(loop_);
        for (const NodeId r : l.results) use(r);
        for (const Effect& e : effects_) use(e.value);
    }

    std::optional<Operand> OperandOf(NodeId x) {
        const Node& n = g_.node(x);
        if (n.op == Op::LoopResult) return Operand{kPool, gen_.ScalarOf(x)};
        if (!Mine(x)) return Operand{kPool, gen_.ScalarOf(x)};
        switch (n.op) {
        case Op::Coordinate: return Operand{kCoordinate, StreamOf(n.ref)};
        case Op::Direction: {
            const int32_t s = StreamOf(n.ref);
            streams_[static_cast<std::size_t>(s)].direction = true;
            return Operand{kDirection, s};
        }
        case Op::SumIndex: return Operand{kIndex, 0};
        default: break;
        }
        const auto it = info_.find(x);
        if (it != info_.end() && it->second.stored)
            return width_ == 4 ? Operand{kSlot, it->second.slot} : Operand{kPool, gen_.PoolOf(x)};
        return std::nullopt;
    }

    int32_t StreamOf(int32_t index) {
        for (std::size_t s = 0; s < streams_.size(); ++s)
            if (streams_[s].index == index) return static_cast<int32_t>(s);
        streams_.push_back(Stream{index, scope_ != 0 && IsAffineIn(g_.index(index), scope_)});
        return static_cast<int32_t>(streams_.size()) - 1;
    }

    void Emit(uint8_t code, uint8_t fn, int32_t x) {
        code_text_.push_back(Instr{code, fn, x});
        inAccumulator_ = kNoNode;
    }

    // Squares the accumulator, in the instruction that computed it when that can.
    void EmitSquare() {
        if (!code_text_.empty() && code_text_.back().code < kPower) {
            code_text_.back().code = static_cast<uint8_t>(code_text_.back().code + kThenSquare);
            return;
        }
        Emit(kSquare, 0, 0);
    }

    // What must be computed before the tree of x: kept values and loops
    // met below it (x itself when it is kept).
    std::vector<int64_t> TreeNeeds(NodeId root) {
        std::vector<int64_t> needs;
        std::vector<NodeId> pending{root};
        while (!pending.empty()) {
            const NodeId x = pending.back();
            pending.pop_back();
            if (!Mine(x)) continue;
            const Node& n = g_.node(x);
            if (n.op == Op::LoopResult) {
                needs.push_back(LoopItem(n.ref));
                continue;
            }
            if (Direct(n.op)) continue;
            if (Kept(x) && (x != root || !inItem_)) {
                needs.push_back(x);
                continue;
            }
            if (n.b != kNoNode) pending.push_back(n.b);
            if (n.a != kNoNode) pending.push_back(n.a);
        }
        return needs;
    }

    std::vector<int64_t> ItemNeeds(int64_t item) {
        if (item >= 0) {
            inItem_ = true;
            std::vector<int64_t> needs = TreeNeeds(static_cast<NodeId>(item));
            inItem_ = false;
            return needs;
        }
        std::vector<int64_t> needs;
        for (const NodeId e : gen_.externals_[static_cast<std::size_t>(-item - 1)]) {
            if (!Mine(e)) continue;
            // a loop result read inside is the other loop having run; any
            // other value is kept for it
            if (g_.node(e).op == Op::LoopResult) needs.push_back(LoopItem(g_.node(e).ref));
            else needs.push_back(e);
        }
        return needs;
    }

    // Emits the item after everything it needs, depth first without recursion.
    void EmitItem(int64_t first) {
        std::vector<std::pair<int64_t, bool>> stack{{first, false}};
        while (!stack.empty()) {
            auto [item, expanded] = stack.back();
            if (done_.count(item)) {
                stack.pop_back();
                continue;
            }
            if (!expanded) {
                stack.back().second = true;
                const std::vector<int64_t> needs = ItemNeeds(item);
                for (auto it = needs.rbegin(); it != needs.rend(); ++it)
                    if (!done_.count(*it)) stack.push_back({*it, false});
                continue;
            }
            stack.pop_back();
            done_.insert(item);
            if (item < 0) {
                Emit(kRunLoop, 0, gen_.codeOf_[static_cast<std::size_t>(-item - 1)]);
                continue;
            }
            const NodeId x = static_cast<NodeId>(item);
            inItem_ = true;
            EmitTree(x);
            inItem_ = false;
            Info& info = info_[x];
            if (width_ == 4) {
                info.slot = slotsUsed_++;
                Emit(kStoreSlot, 0, info.slot);
            } else {
                Emit(kStorePool, 0, gen_.PoolOf(x));
            }
            info.stored = true;
            inAccumulator_ = x;
        }
    }

    void EmitRoot(NodeId x) {
        for (const int64_t item : TreeNeeds(x)) EmitItem(item);
        EmitTree(x);
    }

    // The value of x into the accumulator, its kept values and loops
    // already done: operations in postfix order, an operand that is not at
    // hand computed first and stored for the time the other one is made.
    void EmitTree(NodeId root) {
        struct Frame {
            NodeId x;
            int stage;
            int32_t spill;
        };
        std::vector<Frame> stack{{root, 0, -1}};
        while (!stack.empty()) {
            const Frame f = stack.back();
            const Node& n = g_.node(f.x);
            const bool computeRoot = inItem_ && f.x == root;
            switch (f.stage) {
            case 0: {
                if (!computeRoot || Direct(n.op)) {
                    if (const std::optional<Operand> o = OperandOf(f.x)) {
                        // A value still in the accumulator needs no load.
                        if (inAccumulator_ != f.x) Emit(static_cast<uint8_t>(kLoad + o->kind), 0, o->x);
                        inAccumulator_ = f.x;
                        stack.pop_back();
                        break;
                    }
                }
                if (IsUnary(n.op)) {
                    stack.back().stage = 1;
                    stack.push_back({n.a, 0, -1});
                } else if (inAccumulator_ == n.b && OperandOf(n.a)) {
                    stack.back().stage = 3;
                    stack.push_back({n.b, 0, -1});
                } else if (OperandOf(n.b)) {
                    stack.back().stage = 2;
                    stack.push_back({n.a, 0, -1});
                } else if (OperandOf(n.a)) {
                    stack.back().stage = 3;
                    stack.push_back({n.b, 0, -1});
                } else {
                    stack.back().stage = 4;
                    stack.push_back({n.b, 0, -1});
                }
                break;
            }
            case 1:
                if (n.op == Op::Negate) Emit(kNegate, 0, 0);
                else if (n.op == Op::Square) EmitSquare();
                else Emit(kFunction, static_cast<uint8_t>(n.op), 0);
                inAccumulator_ = f.x;
                stack.pop_back();
                break;
            case 2: {
                const Operand o = *OperandOf(n.b);
                Emit(static_cast<uint8_t>(Base(n.op, false) + o.kind), 0, o.x);
                inAccumulator_ = f.x;
                stack.pop_back();
                break;
            }
            case 3: {
                const Operand o = *OperandOf(n.a);
                Emit(static_cast<uint8_t>(Base(n.op, true) + o.kind), 0, o.x);
                inAccumulator_ = f.x;
                stack.pop_back();
                break;
            }
            case 4: {
                const int32_t spill = slotsUsed_ + spills_++;
                slotsPeak_ = std::max(slotsPeak_, spills_);
                Emit(kStoreSlot, 0, spill);
                inAccumulator_ = n.b;
                stack.back() = {f.x, 5, spill};
                stack.push_back({n.a, 0, -1});
                break;
            }
            default:
                Emit(static_cast<uint8_t>(Base(n.op, false) + kSlot), 0, f.spill);
                inAccumulator_ = f.x;
                --spills_;
                stack.pop_back();
                break;
            }
        }
    }

    Generator& gen_;
    const Graph& g_;
    const int32_t loop_;
    const int32_t code_;
    const int32_t scope_;
    std::vector<Effect> effects_;
    const std::vector<int32_t> children_;
    int width_ = 1;
    std::unordered_map<NodeId, Info> info_;
    std::unordered_set<NodeId> externals_;
    std::unordered_set<int32_t> loops_;
    std::vector<NodeId> forced_;
    std::unordered_set<int64_t> done_;
    std::vector<Instr> code_text_;
    std::vector<Stream> streams_;
    int32_t slotsUsed_ = 0;
    int32_t spills_ = 0;
    int32_t slotsPeak_ = 0;
    bool inItem_ = false;
    NodeId inAccumulator_ = kNoNode;  // the value the accumulator holds after the last instruction
};

int32_t Generator::GenerateLoop(int32_t l) {
    if (codeOf_[static_cast<std::size_t>(l)] != -1) return codeOf_[static_cast<std::size_t>(l)];
    const auto code = static_cast<int32_t>(p_.codes.size());
    codeOf_[static_cast<std::size_t>(l)] = code;
    p_.codes.emplace_back();
    CodeBuilder(*this, l, code).Build();
    return code;
}

} // namespace

Program Generate(const Graph& g, int32_t topLoop, int n, Target target) {
    return Generator(g, n, target).Run(topLoop);
}

} // namespace tarvik::formula
