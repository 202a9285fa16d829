/// \file
/// \brief VelaUtilities: the utility library of a geometric constraint solver.
///
/// Including this header gives the whole public interface. Each subsystem's
/// headers can also be included on their own.
#ifndef VELA_VELAUTILITIES_H
#define VELA_VELAUTILITIES_H

// Foundation
#include "vela/foundation/VelaAssert.h"
#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaClock.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/foundation/VelaEnvironment.h"
#include "vela/foundation/VelaFileNames.h"
#include "vela/foundation/VelaString.h"
#include "vela/foundation/VelaThread.h"

// Containers
#include "vela/containers/VelaArray.h"
#include "vela/containers/VelaBoolArray.h"
#include "vela/containers/VelaHashTable.h"
#include "vela/containers/VelaIntArray.h"
#include "vela/containers/VelaListOfDouble.h"
#include "vela/containers/VelaPriorityQueue.h"

// Streams
#include "vela/streams/VelaJSONStream.h"
#include "vela/streams/VelaStream.h"

// Configuration
#include "vela/config/VelaAutoConstrainingParameters.h"
#include "vela/config/VelaGlobalParameters.h"

// Operator framework
#include "vela/operator/VelaOperator.h"
#include "vela/operator/VelaStorage.h"
#include "vela/operator/VelaUnderPlayBack.h"

// Dense linear algebra
#include "vela/linalg/VelaLowerTriangularMatrix.h"
#include "vela/linalg/VelaMatrix.h"
#include "vela/linalg/VelaSymmetricMatrix.h"

// Sparse linear algebra
#include "vela/linalg/VelaSparseMatrix.h"
#include "vela/optim/VelaOptimUtilities.h"

// Graph algorithms
#include "vela/graph/VelaGraph.h"
#include "vela/graph/VelaGraphSolver.h"

// Geometry
#include "vela/geometry/Vela3Point.h"
#include "vela/geometry/Vela3x3Matrix.h"
#include "vela/geometry/VelaTransformation.h"

// Solver callbacks and expressions
#include "vela/external/VelaExpressionTerm.h"
#include "vela/external/VelaExternalObject.h"

#endif  // VELA_VELAUTILITIES_H
