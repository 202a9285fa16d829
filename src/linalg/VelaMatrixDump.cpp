// Text dumps of the dense matrix: the script syntax that every numerical
// routine uses for its traces, and the compact bracketed form.
#include "vela/config/VelaGlobalParameters.h"
#include "vela/linalg/VelaMatrix.h"
#include "vela/streams/VelaStream.h"

void VelaMatrix::Write(const char* iName, VelaStream* iStream) const {
  if (!iStream) return;
  iStream->WriteString(iName ? iName : "");
  iStream->WriteString(" := ");
  iStream->WriteString("matrix(");
  iStream->WriteString(VelaString(rows_));
  iStream->WriteString(", ");
  iStream->WriteString(VelaString(cols_));
  iStream->WriteString(", [");
  for (int i = 0; i < rows_; ++i) {
    iStream->WriteString("\n[");
    const double* row = GetRow(i);
    for (int j = 0; j < cols_; ++j) {
      if (j > 0) iStream->WriteString(", ");
      iStream->WriteFixedSizeDouble(row[j]);
    }
    iStream->WriteString(i + 1 < rows_ ? "]," : "]");
  }
  iStream->WriteString("]);\n");
}

void VelaMatrix::Write(const char* iName) const { Write(iName, GetGlobalParameters().GetTraceStream()); }

void VelaMatrix::ScilabDump(const char* iName, VelaStream* iStream) const {
  if (!iStream || rows_ == 0 || cols_ == 0) return;
  VelaStream& out = *iStream;
  out << (iName ? iName : "") << " = [ ";
  for (int i = 0; i < rows_; ++i) {
    const double* row = GetRow(i);
    for (int j = 0; j < cols_; ++j) {
      if (j > 0) out << " ,";
      out << velsetprecision(15) << row[j];
    }
    out << (i + 1 < rows_ ? " ;\n" : " ];\n");
  }
}
