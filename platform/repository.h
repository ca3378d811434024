#pragma once
// The repository library: named objects, each a tree of typed nodes and records found by key.
// Every argument goes by reference except text lengths, which follow their texts by value.
// Counts, handles, flags and statuses are 8-byte integers.
//
// Statuses: 0 done; 1 not loaded (RPREAD) or no such object; 2 no such record; 3 record without
// data; 4 object exists already (RPNEW); 5 no such node (RPALLO: parent handle); 6 the caller's
// arrays are smaller than the record (RPGETD: only what fits was written); 7 bad argument
// (negative count, empty name); 8 file cannot be written (RPDUMP).

#include <cstdint>

extern "C" {

// Loads a definition file.
void RPREAD(const char* name, std::int64_t nameLength, const char* path, std::int64_t pathLength,
            std::int64_t* status);
// found := non-zero when the object exists.
void RPFIND(const char* object, std::int64_t objectLength, std::int64_t* found, std::int64_t* status);
// Deletes the object with its tree and records.
void RPDELE(const char* object, std::int64_t objectLength, std::int64_t* status);
// Creates the object with a root node of the given type.
void RPNEW(const char* object, std::int64_t objectLength, const char* rootType, std::int64_t rootTypeLength,
           std::int64_t* rootHandle, std::int64_t* status);
// Adds a child node of the given type under the parent node.
void RPALLO(const char* object, std::int64_t objectLength, const char* nodeType, std::int64_t nodeTypeLength,
            const std::int64_t* parentHandle, std::int64_t* childHandle, std::int64_t* status);
// The sizes of the record's six arrays, in array order.
void RPGETS(const char* object, std::int64_t objectLength, const char* key, std::int64_t keyLength,
            std::int64_t* integerCount, std::int64_t* integerCompanionCount, std::int64_t* realCount,
            std::int64_t* realCompanionCount, std::int64_t* textCount, std::int64_t* textCompanionCount,
            std::int64_t* status);
// Reads the record. Each count says on entry how many elements its array holds and on return how
// many were written; the library never writes more than the count allows. Texts are stored as
// elements of textLength characters, blank padded.
void RPGETD(const char* object, std::int64_t objectLength, const char* key, std::int64_t keyLength,
            std::int64_t* integerCount, std::int64_t* integers, std::int64_t* integerCompanionCount,
            std::int64_t* integerCompanions, std::int64_t* realCount, double* reals,
            std::int64_t* realCompanionCount, std::int64_t* realCompanions, std::int64_t* textCount,
            char* texts, std::int64_t textLength, std::int64_t* textCompanionCount,
            std::int64_t* textCompanions, std::int64_t* status);
// Writes (creates or replaces) the record from the six arrays.
void RPPUTD(const char* object, std::int64_t objectLength, const char* key, std::int64_t keyLength,
            const std::int64_t* integerCount, const std::int64_t* integers, const std::int64_t* integerCompanionCount,
            const std::int64_t* integerCompanions, const std::int64_t* realCount, const double* reals,
            const std::int64_t* realCompanionCount, const std::int64_t* realCompanions,
            const std::int64_t* textCount, const char* texts, std::int64_t textLength,
            const std::int64_t* textCompanionCount, const std::int64_t* textCompanions, std::int64_t* status);
// Writes a readable dump of the repository's contents to the file.
void RPDUMP(const char* fileName, std::int64_t fileNameLength, const std::int64_t* option1,
            const std::int64_t* option2, const std::int64_t* option3, std::int64_t* status);

}  // extern "C"
