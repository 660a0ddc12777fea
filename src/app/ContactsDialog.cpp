#include "ContactsDialog.h"

#include "ReportListView.h"

#include "contacts/ContactFiles.h"
#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>
#include <variant>

namespace tovrel {
namespace {

QString numbersText(const QStringList &numbers)
{
    return numbers.join(QStringLiteral("; "));
}

QStringList numbersOf(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[;,，；]"));
    QStringList numbers;
    for (const QString &part : text.split(separators)) {
        const QString number = part.trimmed();
        if (!number.isEmpty())
            numbers.append(number);
    }
    return numbers;
}

} // namespace

ContactsDialog::ContactsDialog(const AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_path(ContactBook::defaultPath())
{
    setObjectName(QStringLiteral("ContactsDialog"));
    setWindowTitle(tr("联系人"));
    resize(460, 420);

    ContactListModel = new ReportModel(this);
    ContactListModel->setColumns(
        {{tr("姓名"), 160, Qt::AlignLeft}, {tr("电话号码"), 260, Qt::AlignLeft}});
    ContactList = new ReportListView(this);
    ContactList->setObjectName(QStringLiteral("ContactList"));
    ContactList->setReportModel(ContactListModel);

    EditName = new QLineEdit(this);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditNumbers = new QLineEdit(this);
    EditNumbers->setObjectName(QStringLiteral("EditNumbers"));
    BtnImport = new QPushButton(tr("导入..."), this);
    BtnImport->setObjectName(QStringLiteral("BtnImport"));
    BtnNew = new QPushButton(tr("新建"), this);
    BtnNew->setObjectName(QStringLiteral("BtnNew"));
    BtnSave = new QPushButton(tr("保存修改"), this);
    BtnSave->setObjectName(QStringLiteral("BtnSave"));
    BtnDelete = new QPushButton(tr("删除"), this);
    BtnDelete->setObjectName(QStringLiteral("BtnDelete"));
    BtnClose = new QPushButton(tr("关闭"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    for (QPushButton *button : {BtnImport, BtnNew, BtnSave, BtnDelete, BtnClose})
        button->setAutoDefault(false);

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(tr("姓名："), this), 0, 0);
    fields->addWidget(EditName, 0, 1);
    fields->addWidget(new QLabel(tr("号码："), this), 1, 0);
    fields->addWidget(EditNumbers, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BtnImport);
    buttons->addWidget(BtnNew);
    buttons->addWidget(BtnSave);
    buttons->addWidget(BtnDelete);
    buttons->addStretch();
    buttons->addWidget(BtnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ContactList);
    layout->addLayout(fields);
    layout->addWidget(LabelStatus);
    layout->addLayout(buttons);

    connect(BtnImport, &QPushButton::clicked, this, &ContactsDialog::BtnImportClick);
    connect(BtnNew, &QPushButton::clicked, this, &ContactsDialog::BtnNewClick);
    connect(BtnSave, &QPushButton::clicked, this, &ContactsDialog::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &ContactsDialog::BtnDeleteClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(ContactList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ContactsDialog::selectionChanged);

    auto loaded = ContactBook::load(m_path, sysconf::readContactsRegion());
    if (const QString *error = std::get_if<QString>(&loaded)) {
        // A book that cannot be read is never written over: nothing here may change it.
        m_context.messages->warn(*error);
        for (QWidget *w : std::initializer_list<QWidget *>{BtnImport, BtnNew, BtnSave, BtnDelete,
                                                           EditName, EditNumbers})
            w->setEnabled(false);
    } else {
        m_book = std::get<ContactBook>(std::move(loaded));
    }
    showBook();
}

void ContactsDialog::showBook()
{
    const int keep = ContactList->firstSelectedRow();
    QList<ReportRow> rows;
    rows.reserve(m_book.contacts().size());
    for (const Contact &contact : m_book.contacts())
        rows.append({{contact.name, numbersText(contact.numbers)}, int(rows.size())});
    ContactListModel->clear();
    ContactListModel->appendRows(std::move(rows));
    if (keep >= 0 && keep < ContactListModel->rowCount())
        ContactList->selectRow(keep);
    selectionChanged();
}

void ContactsDialog::selectionChanged()
{
    const int row = ContactList->firstSelectedRow();
    if (row < 0 || row >= m_book.contacts().size()) {
        EditName->clear();
        EditNumbers->clear();
        return;
    }
    const Contact &contact = m_book.contacts().at(row);
    EditName->setText(contact.name);
    EditNumbers->setText(numbersText(contact.numbers));
}

bool ContactsDialog::commit(const ContactBook &changed)
{
    if (const auto error = changed.save(m_path)) {
        m_context.messages->warn(*error);
        return false;
    }
    m_book = changed;
    showBook();
    return true;
}

void ContactsDialog::BtnImportClick()
{
    const QString title = tr("导入联系人");
    const QString filter = tr("联系人文件 (*.vcf *.vcard *.csv);;所有文件 (*)");
    const QStringList paths = m_context.pickFiles
                                  ? m_context.pickFiles(title, filter)
                                  : QFileDialog::getOpenFileNames(this, title, {}, filter);
    if (paths.isEmpty())
        return;
    ContactBook changed = m_book;
    QStringList errors;
    int added = 0;
    for (const QString &path : paths) {
        auto read = readContactFile(path);
        if (const QString *error = std::get_if<QString>(&read))
            errors.append(*error);
        else
            added += changed.merge(std::get<QList<Contact>>(read));
    }
    // What could be read is kept even when another file could not be.
    if (added > 0 && commit(changed))
        LabelStatus->setText(tr("新增 %1 个联系人或号码").arg(added));
    else if (added == 0 && errors.isEmpty())
        LabelStatus->setText(tr("没有新的联系人"));
    if (!errors.isEmpty())
        m_context.messages->warn(errors.join(QLatin1Char('\n')));
}

void ContactsDialog::BtnNewClick()
{
    const Contact contact{EditName->text().trimmed(), numbersOf(EditNumbers->text())};
    if (contact.name.isEmpty() || contact.numbers.isEmpty()) {
        m_context.messages->warn(tr("姓名和号码都不能为空！"));
        return;
    }
    ContactBook changed = m_book;
    const int added = changed.merge({contact});
    if (added == 0) {
        LabelStatus->setText(tr("没有新的联系人"));
        return;
    }
    if (!commit(changed))
        return;
    // The contact added (or given the new numbers) is the one selected.
    for (qsizetype row = 0; row < m_book.contacts().size(); ++row) {
        if (m_book.contacts().at(row).name == contact.name) {
            ContactList->clearSelection();
            ContactList->selectRow(int(row));
            break;
        }
    }
    LabelStatus->setText(tr("新增 %1 个联系人或号码").arg(added));
}

void ContactsDialog::BtnSaveClick()
{
    const int row = ContactList->firstSelectedRow();
    if (row < 0) {
        m_context.messages->warn(tr("请先选中联系人！"));
        return;
    }
    const Contact contact{EditName->text().trimmed(), numbersOf(EditNumbers->text())};
    if (contact.name.isEmpty() || contact.numbers.isEmpty()) {
        m_context.messages->warn(tr("姓名和号码都不能为空！"));
        return;
    }
    ContactBook changed = m_book;
    changed.replace(row, contact);
    commit(changed);
}

void ContactsDialog::BtnDeleteClick()
{
    QList<int> rows = ContactList->selectedRows();
    if (rows.isEmpty()) {
        m_context.messages->warn(tr("请先选中联系人！"));
        return;
    }
    if (m_context.messages->show({QStringLiteral("Waring"), tr("删除选中的联系人？"),
                                  MessageIcon::Question, MessageButtons::OkCancel}) !=
        MessageAnswer::Ok)
        return;
    ContactBook changed = m_book;
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : std::as_const(rows))
        changed.remove(row);
    ContactList->clearSelection();
    commit(changed);
}

} // namespace tovrel
