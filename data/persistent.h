// The object model of stored objects.
//
//   TObject       root of every class that carries class information
//   TPersistent   an object that can be stored: published properties plus
//                 DefineProperties for named blocks it reads and writes itself
//   TComponent    owner, name, owned children, loading state, Loaded()
//   TCollection / TCollectionItem   an owned list of items of one item class
//
// This header brings in the whole model; each part has its header:
//
//   data/type_info.h      names, identifier tables, enumerations, sets
//   data/class_info.h     TEvent, published properties and methods, class
//                         information, the class registry, KLICE_CLASS,
//                         TObject
//   data/persistent_object.h   TPersistent
//   data/pending_references.h  references waiting for their component
//   data/component.h      TComponent, the top-level components, loading
//                         phases
//   data/collection.h     TCollection, TCollectionItem
//   data/class_builder.h  KLICE_DESCRIBE_CLASS: how a class describes itself
#pragma once

#include "data/class_builder.h"
#include "data/class_info.h"
#include "data/collection.h"
#include "data/component.h"
#include "data/errors.h"
#include "data/pending_references.h"
#include "data/persistent_object.h"
#include "data/type_info.h"
