// Log tables read back with pxlib's own reader, independent of our Paradox code.
#pragma once

extern "C" {
#include <paradox.h>
}

#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace apptest {

struct PxTable {
  std::vector<std::string> fields;  // names in file order
  std::vector<int> types;           // pxlib field types
  // Numbers of every record by field name; NULL as NaN.
  std::vector<std::map<std::string, double>> records;
  // The text fields of every record by field name.
  std::vector<std::map<std::string, std::string>> texts;
};

inline PxTable ReadWithPxlib(const std::string& file) {
  pxdoc_t* doc = PX_new2(nullptr, nullptr, nullptr, nullptr);
  if (doc == nullptr || PX_open_file(doc, file.c_str()) != 0) {
    if (doc != nullptr) PX_delete(doc);
    throw std::runtime_error("pxlib cannot open " + file);
  }
  PxTable t;
  const int n = PX_get_num_fields(doc);
  for (int i = 0; i < n; ++i) {
    t.fields.emplace_back(PX_get_field(doc, i)->px_fname);
    t.types.push_back(PX_get_field(doc, i)->px_ftype);
  }
  const int count = PX_get_num_records(doc);
  for (int r = 0; r < count; ++r) {
    pxval_t** v = PX_retrieve_record(doc, r);
    if (v == nullptr) break;
    std::map<std::string, double> rec;
    std::map<std::string, std::string> text;
    for (int i = 0; i < n; ++i) {
      double value = std::numeric_limits<double>::quiet_NaN();
      if (v[i]->type == pxfAlpha) text[t.fields[static_cast<size_t>(i)]] = "";
      if (!v[i]->isnull) {
        if (v[i]->type == pxfAlpha) {
          text[t.fields[static_cast<size_t>(i)]].assign(v[i]->value.str.val, static_cast<size_t>(v[i]->value.str.len));
          doc->free(doc, v[i]->value.str.val);
        }
        else if (v[i]->type == pxfNumber || v[i]->type == pxfTimestamp)
          value = v[i]->value.dval;
        else
          value = static_cast<double>(v[i]->value.lval);
      }
      rec[t.fields[static_cast<size_t>(i)]] = value;
      doc->free(doc, v[i]);
    }
    doc->free(doc, v);
    t.records.push_back(std::move(rec));
    t.texts.push_back(std::move(text));
  }
  PX_close(doc);
  PX_delete(doc);
  return t;
}

}  // namespace apptest
