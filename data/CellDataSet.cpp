#include "data/CellDataSet.h"

#include <algorithm>
#include <cctype>

namespace oxqr {

namespace {

const TCell kNullCell{};

bool IsIntegerType(TFieldType t) {
  switch (t) {
    case TFieldType::ftSmallint: case TFieldType::ftInteger: case TFieldType::ftWord: case TFieldType::ftAutoInc:
    case TFieldType::ftLargeint: case TFieldType::ftBoolean:
      return true;
    default:
      return false;
  }
}

TFieldType TypeOfValue(const TCell& c) {
  switch (c.Kind) {
    case TCell::TKind::Int: return TFieldType::ftLargeint;
    case TCell::TKind::Real: return TFieldType::ftFloat;
    case TCell::TKind::Blob: return TFieldType::ftBlob;
    default: return TFieldType::ftString;
  }
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

TCellDataSet::TCellDataSet() = default;
TCellDataSet::~TCellDataSet() {
  StopFollowing();
  for (TCellDataSet* f : followers_) f->following_ = nullptr;
}

void TCellDataSet::OpenWith(const std::string& databaseName) {
  if (Active()) return;
  conn_ = Connect(databaseName);
  try {
    Prepare();
    FollowMaster();
    ReadFirst();
  } catch (...) {
    Close();
    throw;
  }
}

std::string TCellDataSet::Source() const { return conn_ ? " of " + conn_->Describe() : std::string(); }

void TCellDataSet::Close() {
  StopFollowing();
  movePending_ = false;
  followedMove_ = false;
  select_.reset();
  count_.reset();
  conn_.reset();
  row_.clear();
  hasRow_ = false;
  recNo_ = 0;
  recordCount_ = -1;
  eof_ = true;
}

void TCellDataSet::SetFields(const std::vector<TColumnInfo>& columns, const std::vector<TFieldType>& types) {
  std::vector<std::unique_ptr<TCellField>> fields;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    auto old = std::find_if(fields_.begin(), fields_.end(),
                            [&](const auto& f) { return f && SameName(f->FieldName, columns[i].Name); });
    std::unique_ptr<TCellField> field = old != fields_.end() ? std::move(*old) : std::make_unique<TCellField>(*this, 0);
    field->SetColumn(i);
    field->FieldName = columns[i].Name;
    field->DataType = types[i];
    fields.push_back(std::move(field));
  }
  fields_ = std::move(fields);
}

void TCellDataSet::SetSelect(std::unique_ptr<TStatement> select, std::string countSql, std::string countContext) {
  select_ = std::move(select);
  count_.reset();
  countSql_ = std::move(countSql);
  countContext_ = std::move(countContext);
}

void TCellDataSet::TypeUndeclaredFromFirstRecord(const std::vector<TColumnInfo>& columns) {
  for (std::size_t i = 0; i < columns.size() && i < fields_.size(); ++i)
    if (columns[i].DeclaredType.empty()) fields_[i]->DataType = TypeOfValue(Cell(i));
}

void TCellDataSet::Restrict(const std::string& field, const TCell& value) {
  // Another value of the same field and nullness is a parameter of the same statement.
  const bool sameStatement = restrictField_ && SameName(*restrictField_, field) &&
                             (restrictValue_.Kind == TCell::TKind::Null) == (value.Kind == TCell::TKind::Null);
  restrictField_ = field;
  restrictValue_ = value;
  if (!Active()) return;
  if (!sameStatement) {
    Reprepare();
    return;
  }
  // The statement stays; the records of the new value are read by the next First(), which
  // every reader of a dataset starts with, so that a run per value opens its read once.
  select_->Reset();
  row_.clear();
  hasRow_ = false;
  recNo_ = 0;
  recordCount_ = -1;
  eof_ = true;
}

void TCellDataSet::ClearRestriction() {
  if (!restrictField_) return;
  restrictField_.reset();
  restrictValue_ = {};
  if (Active()) Reprepare();
}

void TCellDataSet::Reprepare() {
  // The connection stays: what it knows of the database and the statements it prepared
  // serve the new statement.
  try {
    select_->Reset();
    select_.reset();
    count_.reset();
    Prepare();
    First();
  } catch (...) {
    Close();
    throw;
  }
}

std::string TCellDataSet::RestrictionCondition(std::size_t paramCount) const {
  if (restrictValue_.Kind == TCell::TKind::Null) return " IS NULL";
  return " = " + conn_->Placeholder(paramCount + 1);
}

TCell TCellDataSet::MasterValue(TField& field) {
  if (const auto* cf = dynamic_cast<const TCellField*>(&field)) return cf->Value();
  if (field.IsNull()) return TCell::Null();
  if (IsIntegerType(field.DataType)) return TCell::Integer(field.AsInteger());
  if (field.DataType == TFieldType::ftFloat || field.DataType == TFieldType::ftCurrency)
    return TCell::Float(field.AsFloat());
  if (field.IsBlob()) return TCell::Blob(field.AsBytes());
  return TCell::FromAnsi(field.AsString());
}

bool TCellDataSet::Params(std::vector<TCell>& params) const {
  params.clear();
  if (!SelectParams(params)) return false;
  if (restrictField_ && restrictValue_.Kind != TCell::TKind::Null) params.push_back(restrictValue_);
  return true;
}

bool TCellDataSet::FetchRow() { return select_->Fetch(row_); }

void TCellDataSet::FollowMaster() {
  auto* master = MasterSource ? dynamic_cast<TCellDataSet*>(MasterSource->DataSet->Records()) : nullptr;
  if (master == nullptr || master == this) return;
  following_ = master;
  master->followers_.push_back(this);
}

void TCellDataSet::StopFollowing() {
  if (following_ != nullptr) std::erase(following_->followers_, this);
  following_ = nullptr;
}

void TCellDataSet::MasterMoved() {
  if (!Active()) return;
  movePending_ = true;
  TellFollowers();  // their master's record changes too; they read when looked at
}

void TCellDataSet::Settle() const {
  if (!movePending_) return;
  auto& self = const_cast<TCellDataSet&>(*this);
  self.ReadFirst();
  // Reading the master's fields may have settled the master, which tells this dataset of
  // its move again: the read just made is for that record already.
  self.movePending_ = false;
  self.followedMove_ = true;
}

void TCellDataSet::TellFollowers() {
  if (tellingFollowers_ || followers_.empty()) return;
  tellingFollowers_ = true;
  struct TDone {
    bool& flag;
    ~TDone() { flag = false; }
  } done{tellingFollowers_};
  // A follower may close (and leave the list) while it is told: walk a copy.
  const std::vector<TCellDataSet*> followers = followers_;
  for (TCellDataSet* f : followers) f->MasterMoved();
}

void TCellDataSet::First() {
  // Positioned for the master's current record when the master moved, and not moved since:
  // a sub-detail band over a following dataset reads its records once per master record.
  Settle();
  if (followedMove_) return;
  ReadFirst();
}

void TCellDataSet::ReadFirst() {
  if (!Active()) throw EDatabaseError("Dataset \"" + Name() + "\" is not open");
  movePending_ = false;
  followedMove_ = false;
  select_->Reset();
  row_.clear();
  recordCount_ = -1;
  std::vector<TCell> params;
  hasRow_ = false;
  if (Params(params)) {
    select_->Execute(params);
    QueueAhead();
    hasRow_ = FetchRow();
  }
  if (!hasRow_) row_.clear();
  recNo_ = hasRow_ ? 1 : 0;
  eof_ = !hasRow_;
  TellFollowers();
}

void TCellDataSet::QueueAhead() {
  auto* master = MasterSource ? dynamic_cast<TCellDataSet*>(MasterSource->DataSet->Records()) : nullptr;
  // Only for a master being walked: one on its first record may never move (opened to check
  // its fields, or restricted to the one record of a burst), and reads for its later records
  // would be thrown away unread.
  if (master != nullptr) master->Settle();
  if (!master || !master->select_ || !master->hasRow_ || master->recNo_ < 2 || select_->AheadRoom() == 0) return;
  // The parameters for a later master record are those its fields give while its row
  // stands in for the current one; the current row is back however this ends.
  std::vector<TCell> current = std::move(master->row_);
  struct TRestore {
    std::vector<TCell>& slot;
    std::vector<TCell>& saved;
    ~TRestore() { slot = std::move(saved); }
  } restore{master->row_, current};
  std::vector<TCell> params;
  for (std::size_t room = select_->AheadRoom(); room > 0; --room) {
    if (!master->select_->Peek(select_->AheadQueued() + 1, master->row_) || !Params(params)) break;
    select_->Queue(params);
  }
}

void TCellDataSet::Next() {
  Settle();
  if (eof_) return;
  followedMove_ = false;
  // At the last record the cursor stays on it and Eof becomes true.
  if (FetchRow()) {
    ++recNo_;
    TellFollowers();
  } else {
    eof_ = true;
  }
}

int TCellDataSet::RecordCount() const {
  if (!Active()) return 0;
  Settle();
  if (recordCount_ >= 0) return recordCount_;
  if (!count_) count_ = conn_->Prepare(countSql_, countContext_, IsDetail());
  int count = 0;
  std::vector<TCell> params, row;
  if (Params(params)) {
    count_->Execute(params);
    if (count_->Fetch(row) && !row.empty()) count = static_cast<int>(row[0].Int);
    count_->Reset();
  }
  recordCount_ = count;
  return count;
}

TField* TCellDataSet::FindField(const std::string& name) {
  for (const auto& f : fields_)
    if (SameName(f->FieldName, name)) return f.get();
  return nullptr;
}

std::vector<TField*> TCellDataSet::Fields() {
  std::vector<TField*> out;
  for (const auto& f : fields_) out.push_back(f.get());
  return out;
}

const TCell& TCellDataSet::Cell(std::size_t col) const {
  Settle();
  if (!hasRow_ || col >= row_.size()) return kNullCell;
  return row_[col];
}

}  // namespace oxqr
