#include "framework/FormReader.h"

#include <algorithm>
#include <new>
#include <vector>

#include "framework/Properties.h"

namespace qd {

namespace {

struct TCreated {
    TComponent* Component;
    int Line;
};

class TFormApplier {
public:
    TFormApplier(TComponent& root, std::string_view source) : FRoot(root), FSource(source) {}

    void Read(const TFormObject& tree) {
        const TClassInfo& rootClass = FRoot.ClassInfo();
        if (!rootClass.InheritsFrom(tree.ClassName))
            Fail(tree.Line, {}, "the description is of class " + tree.ClassName + ", not of " + rootClass.Name());
        FRoot.SetState(TComponentStateFlag::csLoading, true);
        Guard(tree.Line, [&] { FRoot.SetName(tree.Name); });
        Apply(FRoot, tree.Properties);
        ReadChildren(FRoot, tree);

        // References between components, now that all of them exist.
        for (const TFixup& fixup : FFixups) {
            try {
                fixup.Resolve();
            } catch (const EPropertyError& e) {
                Fail(fixup.Line, fixup.Property, e.Reason());
            }
        }

        Guard(tree.Line, [&] { FRoot.Loaded(); });
        for (const TCreated& c : FCreated) {
            // A Loaded handler may have freed a component created before it; skip those.
            if (!StillOwned(c.Component)) continue;
            Guard(c.Line, [&] { c.Component->Loaded(); });
        }
    }

private:
    [[noreturn]] void Fail(int line, const std::string& property, const std::string& what) const {
        throw EFormReadError(FormErrorText(FSource, line, property, what), line, property);
    }

    // Runs `step`; a fault in it ends the reading with an error naming the object's line.
    template <class F>
    void Guard(int line, F&& step) {
        try {
            step();
        } catch (const EFormReadError&) {
            throw;
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& e) {
            Fail(line, {}, e.what());
        }
    }

    void Apply(TPersistent& obj, const std::vector<TFormProperty>& properties) {
        try {
            ApplyProperties(obj, properties, TApplyContext{&FRoot, &FFixups});
        } catch (const EPropertyError& e) {
            Fail(e.Line(), e.Property(), e.Reason());
        }
    }

    void ReadChildren(TComponent& parent, const TFormObject& node) {
        const TClassInfo& rootClass = FRoot.ClassInfo();
        for (const TFormObject& child : node.Children) {
            const TClassInfo* cls = FindClass(child.ClassName);
            if (!cls) Fail(child.Line, {}, "unknown class " + child.ClassName + " of \"" + child.Name + "\"");
            if (!cls->IsCreatable())
                Fail(child.Line, {}, "class " + cls->Name() + " of \"" + child.Name + "\" cannot be created");

            TComponent* component = nullptr;
            Guard(child.Line, [&] { component = cls->Create(&FRoot); });
            if (!component) Fail(child.Line, {}, "class " + cls->Name() + " created no component");
            if (component->Owner() != &FRoot) {
                // The factory ignored the owner: make the root own it so it is freed with the form.
                Guard(child.Line, [&] { FRoot.InsertComponent(component); });
            }
            FCreated.push_back({component, child.Line});
            component->SetState(TComponentStateFlag::csLoading, true);
            if (!component->ClassInfo().InheritsFrom(*cls))
                Fail(child.Line, {},
                     "class " + cls->Name() + " created an object that reports class " + component->ClassName());

            Guard(child.Line, [&] { component->SetName(child.Name); });
            Guard(child.Line, [&] { component->SetParentComponent(&parent); });
            if (const TFieldInfo* field = rootClass.FindField(child.Name)) {
                if (!field->Bind(FRoot, component))
                    Fail(child.Line, {},
                         "field " + field->Name + " of " + rootClass.Name() + " holds a " + field->ClassName +
                             ", not a " + cls->Name());
            }
            Apply(*component, child.Properties);
            ReadChildren(*component, child);
        }
    }

    bool StillOwned(const TComponent* c) const noexcept {
        for (int i = 0; i < FRoot.ComponentCount(); ++i)
            if (FRoot.Components(i) == c) return true;
        return false;
    }

    TComponent& FRoot;
    std::string_view FSource;
    std::vector<TCreated> FCreated;
    std::vector<TFixup> FFixups;
};

}  // namespace

void ReadComponent(TComponent& root, const TFormObject& tree, std::string_view source) {
    TFormApplier(root, source).Read(tree);
}

void ReadComponentText(TComponent& root, std::string_view text, std::string_view source) {
    TFormObject tree;
    try {
        tree = ParseFormText(text, source);
    } catch (const EFormTextError& e) {
        throw EFormReadError(e.Message(), e.Line(), e.Property());
    }
    ReadComponent(root, tree, source);
}

}  // namespace qd
