// Small persistent classes that publish one property of every kind, for the persistence tests.
#pragma once

#include <memory>
#include <string>

#include "LuXmlUtils.h"

enum TColour { clRed, clGreen, clBlue };
extern const TEnumTypeInfo TColourInfo;

// A published object that is not persistent itself: saved with the default element rules.
class TPlainPoint : public TPublished {
public:
    std::u16string ClassName() const override { return u"TPlainPoint"; }
    const TPropTable& Props() const override;
    int32_t X = 0;
    int32_t Y = 0;
};

// An object that is neither published nor XML-persistent: never saved or loaded.
class TOpaque : public TPersistent {
public:
    std::u16string ClassName() const override { return u"TOpaque"; }
};

class TKinds : public TXmlPersistent {
    LU_PERSISTENT(TKinds)
public:
    int32_t Int = 0;
    int8_t Small = 0;
    char Ch = 'a';
    char16_t WCh = u'b';
    TColour Colour = clGreen;
    bool Flag = true;
    float Single = 0;
    double Date = 0;
    std::string Ansi;
    uint32_t Colours = 0;  // set of TColour
    std::u16string Text;
    int64_t Big = 0;
    int32_t ReadOnlyValue = 7;
    int32_t WriteOnlyValue = 0;
};

class TChild : public TXmlPersistent {
    LU_PERSISTENT(TChild)
public:
    std::u16string Name;
};

class TChildList : public TXmlTypedList<TChild> {
    LU_PERSISTENT(TChildList)
};

class TOwner : public TXmlPersistent {
    LU_PERSISTENT(TOwner)
public:
    TOwner();
    std::u16string Title;
    std::unique_ptr<TChild> Child;
    std::unique_ptr<TChildList> Children;
    std::unique_ptr<TPlainPoint> Point;
    std::unique_ptr<TOpaque> Opaque;
    std::unique_ptr<TChild> Missing;  // stays null
};

// A class with a property of a kind that cannot be persisted.
class TWithRecord : public TXmlPersistent {
    LU_PERSISTENT(TWithRecord)
public:
    int32_t Before = 0;
};

// A list class that does not say which items it makes.
class TAbstractList : public TXmlObjectList {
    LU_PERSISTENT(TAbstractList)
};
