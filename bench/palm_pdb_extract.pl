#!/usr/bin/perl
# The independent extractor of the benchmark: Debian's Palm::PDB (libpalm-perl) reads the
# database, and each MIDI record's tune (from its data offset on) is written as NAME.mid.
use strict;
use warnings;
use Palm::PDB;
use Palm::Raw;

my ($database, $directory) = @ARGV;
die "usage: palm_pdb_extract.pl DATABASE DIRECTORY\n" unless defined $directory;
my $pdb = Palm::PDB->new;
$pdb->Load($database) or die "cannot read $database\n";
my $written = 0;
for my $record (@{$pdb->{records}}) {
  my $data = $record->{data};
  next unless substr($data, 0, 4) eq 'PMrc';
  my $name = unpack('Z*', substr($data, 6));
  $name =~ tr{\\/:*?<>|}{_};
  open(my $out, '>:raw', "$directory/$name.mid") or die "cannot write $name.mid: $!\n";
  print $out substr($data, ord(substr($data, 4, 1)));
  close($out) or die "cannot write $name.mid: $!\n";
  ++$written;
}
print "$written MIDI files extracted\n";
