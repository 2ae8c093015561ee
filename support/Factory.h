#pragma once
// Service objects found through a process-wide registry keyed by 16-byte class ids.
//
// A service derives from TFactory (usually through an abstract interface such as TAppStatus)
// and registers itself under the id of that interface; users look the id up and downcast the
// TFactory* they get with dynamic_cast, treating null or an object of another class as absent.
// The registry does not own its objects. It is not locked: objects register at start-up and
// every lookup runs on the main thread.

#include <cstdint>

// A 16-byte class id: a 32-bit number, two 16-bit numbers and eight bytes.
struct TClassId {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

bool operator==(const TClassId& a, const TClassId& b);

// The registry order: data1; then data2 and data3 as one 32-bit number (data2 high); then
// data4[0..3] and data4[4..7], each as a big-endian 32-bit number. All unsigned.
bool operator<(const TClassId& a, const TClassId& b);

// Interface ids. The status id and the file-services id differ only in data1, the status
// id's being the smaller.
extern const TClassId kFileServicesClassId;
extern const TClassId kAppStatusClassId;
extern const TClassId kDBObjectClassId;

class TFactory {
public:
    TFactory() = default;
    TFactory(const TFactory&) = delete;
    TFactory& operator=(const TFactory&) = delete;
    // Leaves the registry when registered (the entry goes only while it still names this object).
    virtual ~TFactory();

    // Enters this object under `id`, replacing any object entered there before. Does nothing
    // when this object is already registered (it keeps its first id).
    void Register(const TClassId& id);

    // The object entered under `id`, or null. Valid until that object is destroyed.
    static TFactory* Lookup(const TClassId& id);

    // The id this object registered under; meaningful only once it has registered.
    const TClassId& ClassId() const { return classId_; }

private:
    TClassId classId_{};
    bool registered_ = false;
};

// The object registered under `id` when it is a T; null otherwise.
template <class T> T* LookupService(const TClassId& id) {
    return dynamic_cast<T*>(TFactory::Lookup(id));
}

// A module's string table: the text of string resource `id`, or null when it has none.
using TResourceModule = const char* (*)(uint32_t id);

// The application status component, registered under kAppStatusClassId by a host program;
// the tool itself registers none.
class TAppStatus : public TFactory {
public:
    // The module that resource strings are loaded from; the program asks only for kind 5.
    // Null means the program's own strings.
    virtual TResourceModule GetResourceModule(int32_t kind) = 0;
};

// One record handed out as an object by a TDBObjectClass. Released, never deleted by users.
class TDBObject {
public:
    virtual void Release() = 0;
    // The record's bytes (owned by the object, valid until Release) and their count.
    virtual const void* GetDataPointer() = 0;
    virtual uint32_t GetDataSize() = 0;

protected:
    ~TDBObject() = default;
};

// Hands out records of a database as objects; registered under kDBObjectClassId by a host
// program, never by the tool.
class TDBObjectClass : public TFactory {
public:
    // The record `recordId` as an object the caller must Release, or null when there is none.
    virtual TDBObject* GetObject(uint32_t recordId, uint32_t flags) = 0;
};
